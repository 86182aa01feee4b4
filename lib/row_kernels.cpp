#include "lib/row_kernels.h"

#include "lib/formats.h"

#include <algorithm>

namespace {

// Field `field` (bits 10 * field to 10 * field + 9) of little-endian word
// `word` of a v210 group of six pixels.
uint32_t v210_sample(const uint8_t* group, int32_t word, int32_t field)
{
    const uint8_t* p = group + 4 * word;
    const uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                          uint32_t(p[3]) << 24;
    return bits >> (10 * field) & 0x3FF;
}

// Where the samples of a v210 group lie, as word and field: the luma of its
// pixels 0 to 5, the Cb and the Cr of its pixel pairs 0 to 2.
constexpr int32_t v210_luma[6][2] = {{0, 1}, {1, 0}, {1, 2}, {2, 1}, {3, 0}, {3, 2}};
constexpr int32_t v210_chroma[2][3][2] = {{{0, 0}, {1, 1}, {2, 2}}, {{0, 2}, {2, 0}, {3, 1}}};

template <int32_t source>
uint32_t luma_sample(const uint8_t* row, int32_t x)
{
    if constexpr (source == uyvy)
        return row[2 * x + 1];
    else if constexpr (source == yuy2)
        return row[2 * x];
    else
        return v210_sample(row + 16 * (x / 6), v210_luma[x % 6][0], v210_luma[x % 6][1]);
}

// Chroma `c` (0: Cb, 1: Cr) of pixel pair i.
template <int32_t source>
uint32_t chroma_sample(const uint8_t* row, int32_t i, int32_t c)
{
    if constexpr (source == uyvy)
        return row[4 * i + 2 * c];
    else if constexpr (source == yuy2)
        return row[4 * i + 2 * c + 1];
    else
        return v210_sample(row + 16 * (i / 3), v210_chroma[c][i % 3][0], v210_chroma[c][i % 3][1]);
}

// Stores a sample of the output's depth: a byte, or a little-endian 16-bit
// word holding it in bits 0-9 (I010) or 6-15 (P010).
template <int32_t output>
void store_sample(uint8_t* p, uint32_t value)
{
    if constexpr (!ten_bit_output(output)) {
        p[0] = uint8_t(value);
    } else {
        const uint32_t word = output == p010 ? value << 6 : value;
        p[0] = uint8_t(word);
        p[1] = uint8_t(word >> 8);
    }
}

template <int32_t source, int32_t output>
void convert_luma_row(uint8_t* luma, const uint8_t* src, int32_t width)
{
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t y = luma_sample<source>(src, x);
        if constexpr (ten_bit_source(source) && !ten_bit_output(output))
            store_sample<output>(luma + x, std::min(255u, (y + 2) >> 2));
        else
            store_sample<output>(luma + x * sample_bytes(output), y);
    }
}

template <int32_t source, int32_t output>
void convert_chroma_row(uint8_t* u, uint8_t* v, const uint8_t* near, const uint8_t* far,
                        int32_t width)
{
    constexpr uint32_t neutral = ten_bit_source(source) ? 512 : 128;
    constexpr ptrdiff_t step = chroma_step(output);
    for (int32_t i = 0; i < width / 2; ++i) {
        for (int32_t c = 0; c < 2; ++c) {
            const uint32_t sum = 3 * (near ? chroma_sample<source>(near, i, c) : neutral) +
                                 (far ? chroma_sample<source>(far, i, c) : neutral);
            uint8_t* at = (c ? v : u) + i * step;
            if constexpr (ten_bit_source(source) && !ten_bit_output(output))
                store_sample<output>(at, std::min(255u, (sum + 8) >> 4));
            else
                store_sample<output>(at, (sum + 2) >> 2);
        }
    }
}

struct PlainKernels {
    RowGroupFunction row_group;
    EdgeKernels edges;
};

template <int32_t source, int32_t output>
constexpr PlainKernels plain_kernels_of()
{
    return {convert_row_group<source, output>,
            {convert_luma_row<source, output>, convert_chroma_row<source, output>}};
}

constexpr PlainKernels plain_kernels[source_formats][output_formats] = {
    {plain_kernels_of<uyvy, i420>(), plain_kernels_of<uyvy, nv12>()},
    {plain_kernels_of<yuy2, i420>(), plain_kernels_of<yuy2, nv12>()},
    {plain_kernels_of<v210, i420>(), plain_kernels_of<v210, nv12>(), plain_kernels_of<v210, i010>(),
     plain_kernels_of<v210, p010>()}};

} // namespace

template <int32_t source, int32_t output>
void convert_row_group(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                       uint8_t* v, ptrdiff_t v_stride, const uint8_t* src, ptrdiff_t src_stride,
                       int32_t width)
{
    for (int32_t r = 0; r < 4; ++r)
        convert_luma_row<source, output>(luma + r * luma_stride, src + r * src_stride, width);
    // The two rows of one field lie two source rows apart; each chroma row
    // leans towards the row of its field nearest to where it is sited.
    convert_chroma_row<source, output>(u, v, src, src + 2 * src_stride, width);
    convert_chroma_row<source, output>(u + u_stride, v + v_stride, src + 3 * src_stride,
                                       src + src_stride, width);
}

// Each pair converted, for the vector kernels that hand their last pixels to
// the plain ones.
template RowGroupKernelType convert_row_group<uyvy, i420>;
template RowGroupKernelType convert_row_group<uyvy, nv12>;
template RowGroupKernelType convert_row_group<yuy2, i420>;
template RowGroupKernelType convert_row_group<yuy2, nv12>;
template RowGroupKernelType convert_row_group<v210, i420>;
template RowGroupKernelType convert_row_group<v210, nv12>;
template RowGroupKernelType convert_row_group<v210, i010>;
template RowGroupKernelType convert_row_group<v210, p010>;

RowGroupFunction plain_row_group(int32_t source, int32_t output)
{
    return plain_kernels[source][output].row_group;
}

EdgeKernels edge_kernels(int32_t source, int32_t output)
{
    return plain_kernels[source][output].edges;
}
