#include "lib/row_kernels.h"

#include "lib/kernel_set.h"
#include "lib/samples.h"

#include <algorithm>
#include <cstring>

// The plain C kernels, the reference: one reader and one writer of rows for
// each layout, meeting in row buffers of samples at the source's depth, and
// the field-aware mix once between them. A pair's kernel is the reader of its
// source and the writer of its output, and nothing of its own.

namespace {

// Pixels a turn: whole v210 groups and whole pixel pairs, few enough that the
// row buffers stay in the first-level cache.
constexpr int32_t chunk = 96;

// Luma of `chunk` pixels, and Cb and Cr of the pixel pairs they make, as
// samples at the source's depth; chroma sums at the source's depth scaled by
// the sum of their weights.
using LumaSamples = uint16_t[chunk];
using ChromaSamples = uint16_t[2][chunk / 2];

// What plain C does with the rows of a layout: pixels x to x + n - 1 read
// into samples, or written from samples of 8 or 10 bits (write_luma[0] and
// [1]), chroma sums scaled by 4 into 4:2:0 and by 8 into 4:2:2, each rounded
// once into the layout's depth. A v210 row's groups are written whole, the
// samples past x + n zero; its luma is written first. Each takes its
// depths and scale as constants, and its rows by value, where no store can
// move them, so that the compiler can vectorise it.
struct PlainLayout {
    Format format;
    void (*read_luma)(Rows row, int32_t x, int32_t n, uint16_t* luma);
    void (*read_chroma)(Rows row, int32_t x, int32_t n, ChromaSamples& chroma);
    void (*write_luma[2])(Rows row, int32_t x, int32_t n, const uint16_t* luma);
    void (*write_chroma[2])(Rows row, int32_t x, int32_t n, const ChromaSamples& sums);
};

template <int32_t code>
void read_luma(const Rows row, int32_t x, int32_t n, uint16_t* luma)
{
    for (int32_t i = 0; i < n; ++i)
        luma[i] = uint16_t(luma_at(format_info(code), row, x + i));
}

template <int32_t code>
void read_chroma(const Rows row, int32_t x, int32_t n, ChromaSamples& chroma)
{
    for (int32_t i = 0; i < n / 2; ++i) {
        chroma[0][i] = uint16_t(chroma_at<0>(format_info(code), row, x / 2 + i));
        chroma[1][i] = uint16_t(chroma_at<1>(format_info(code), row, x / 2 + i));
    }
}

template <int32_t code, int32_t from_depth>
void write_luma(const Rows row, int32_t x, int32_t n, const uint16_t* luma)
{
    constexpr Format f = format_info(code);
    // A v210 group's fields are set one by one into zeroed words.
    if constexpr (f.layout == Layout::v210)
        std::memset(row.plane[0] + x / 6 * 16, 0, size_t(bytes_holding(f, 0, n)));
    for (int32_t i = 0; i < n; ++i)
        put_luma(f, row, x + i, rounded(luma[i], 0, from_depth, f.depth));
}

template <int32_t code, int32_t from_depth>
void write_chroma(const Rows row, int32_t x, int32_t n, const ChromaSamples& sums)
{
    constexpr Format f = format_info(code);
    constexpr int32_t scale = f.subsampled ? 2 : 3;
    for (int32_t i = 0; i < n / 2; ++i) {
        put_chroma<0>(f, row, x / 2 + i, rounded(sums[0][i], scale, from_depth, f.depth));
        put_chroma<1>(f, row, x / 2 + i, rounded(sums[1][i], scale, from_depth, f.depth));
    }
}

template <int32_t code>
constexpr PlainLayout plain_layout{format_info(code),
                                   read_luma<code>,
                                   read_chroma<code>,
                                   {write_luma<code, 8>, write_luma<code, 10>},
                                   {write_chroma<code, 8>, write_chroma<code, 10>}};

// Chroma sums of weight a_weight of A and b_weight of B.
void mix(const ChromaSamples& a, uint32_t a_weight, const ChromaSamples& b, uint32_t b_weight, int32_t n,
         ChromaSamples& sums)
{
    for (int c = 0; c < 2; ++c)
        for (int32_t i = 0; i < n / 2; ++i)
            sums[c][i] = uint16_t(a_weight * a[c][i] + b_weight * b[c][i]);
}

// Row pair r into 4:2:0: each luma row as it is, the chroma row leaning
// `weight` quarters towards the near row, full[0]. A missing row is neutral
// chroma at its weight, and has no luma row.
void fold_pair(const RowPair& r, int32_t width, const PlainLayout& in, const PlainLayout& out)
{
    const int32_t depth = in.format.depth, ten = depth == 10;
    for (int32_t x = 0; x < width; x += chunk) {
        const int32_t n = std::min(chunk, width - x);
        ChromaSamples chroma[2], sums;
        for (int k = 0; k < 2; ++k) {
            if (!r.full[k].plane[0]) {
                std::fill_n(&chroma[k][0][0], chunk, uint16_t(neutral(depth)));
                continue;
            }
            LumaSamples luma;
            in.read_luma(r.full[k], x, n, luma);
            out.write_luma[ten](r.half[k], x, n, luma);
            in.read_chroma(r.full[k], x, n, chroma[k]);
        }
        mix(chroma[0], uint32_t(r.weight), chroma[1], uint32_t(4 - r.weight), n, sums);
        out.write_chroma[ten](r.half[0], x, n, sums);
    }
}

// Row pair r back into 4:2:2: full[0] takes `weight` eighths of chroma row
// A, full[1] four fewer; a missing full[1] is not written.
void unfold_pair(const RowPair& r, int32_t width, const PlainLayout& in, const PlainLayout& out)
{
    const int32_t ten = in.format.depth == 10;
    for (int32_t x = 0; x < width; x += chunk) {
        const int32_t n = std::min(chunk, width - x);
        ChromaSamples a, b, sums;
        in.read_chroma(r.half[0], x, n, a);
        in.read_chroma(r.half[1], x, n, b);
        for (int k = 0; k < 2 && r.full[k].plane[0]; ++k) {
            const uint32_t a_weight = uint32_t(k == 0 ? r.weight : r.weight - 4);
            LumaSamples luma;
            in.read_luma(r.half[k], x, n, luma);
            out.write_luma[ten](r.full[k], x, n, luma);
            mix(a, a_weight, b, 8 - a_weight, n, sums);
            out.write_chroma[ten](r.full[k], x, n, sums);
        }
    }
}

template <Pair pair>
void plain_groups(const RowGroups& groups)
{
    for (int32_t n = 0; n < groups.count; ++n)
        for (int32_t k = 0; k < 2; ++k)
            (unfolds(pair) ? unfold_pair : fold_pair)(pair_at<pair>(groups, k, n), groups.width,
                                                       plain_layout<pair.source>, plain_layout<pair.output>);
}

// The rung's tag.
struct Plain {
    static constexpr const char* name = "c";
};

template <Pair pair>
constexpr RowGroupFunction kernel_of(Plain)
{
    return plain_groups<pair>;
}

} // namespace

RowGroupFunction plain_kernel(int32_t pair)
{
    return kernel_set<Plain>.kernel[pair];
}

const KernelSet& plain_kernel_set()
{
    return kernel_set<Plain>;
}
