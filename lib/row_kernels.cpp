#include "lib/row_kernels.h"

#include "lib/kernel_set.h"
#include "lib/samples.h"

#include <cstring>

namespace {

// The weighted sum of chroma c of pixel pair i of two rows. A missing row,
// null, is neutral chroma at its weight.
template <int32_t code, bool whole, uint32_t near_weight, int32_t c>
inline uint32_t mixed(Rows near, Rows far, int32_t i)
{
    constexpr Format source = format_info(code);
    constexpr uint32_t far_weight = 4 - near_weight;
    if constexpr (whole)
        return near_weight * chroma_at<c>(source, near, i) + far_weight * chroma_at<c>(source, far, i);
    return near_weight * (near.plane[0] ? chroma_at<c>(source, near, i) : neutral(source.depth)) +
           far_weight * (far.plane[0] ? chroma_at<c>(source, far, i) : neutral(source.depth));
}

// The weight is a constant, so that the compiler can vectorise the loops.
template <Pair pair, bool whole, uint32_t near_weight>
void fold_pair(const RowPair r, int32_t width)
{
    constexpr Format source = format_info(pair.source), output = format_info(pair.output);
    for (int k = 0; k < 2; ++k)
        if (const Rows from = r.full[k], to = r.half[k]; from.plane[0])
            for (int32_t x = 0; x < width; ++x)
                put_luma(output, to, x, rounded(luma_at(source, from, x), 0, source.depth, output.depth));
    // Each chroma row leans towards the row nearest to where it is sited.
    const Rows near = r.full[0], far = r.full[1], to = r.half[0];
    for (int32_t i = 0; i < width / 2; ++i) {
        put_chroma<0>(output, to, i, rounded(mixed<pair.source, whole, near_weight, 0>(near, far, i), 2, source.depth,
                                             output.depth));
        put_chroma<1>(output, to, i, rounded(mixed<pair.source, whole, near_weight, 1>(near, far, i), 2, source.depth,
                                             output.depth));
    }
}

// Of each row written, luma, and chroma of weight `weight` of A, the rest of B.
template <Pair pair, uint32_t weight>
void unfold_pair(const RowPair r, int32_t width)
{
    constexpr Format source = format_info(pair.source), output = format_info(pair.output);
    const Rows a = r.half[0], b = r.half[1];
    for (int k = 0; k < 2; ++k) {
        const Rows to = r.full[k], luma = r.half[k];
        if (!to.plane[0])
            continue;
        // A v210 group's fields are set one by one into zeroed words.
        if constexpr (output.layout == Layout::v210)
            std::memset(to.plane[0], 0, size_t(bytes_holding(output, 0, width)));
        for (int32_t x = 0; x < width; ++x)
            put_luma(output, to, x, rounded(luma_at(source, luma, x), 0, source.depth, output.depth));
        const uint32_t a_weight = k == 0 ? weight : weight - 4, b_weight = 8 - a_weight;
        for (int32_t i = 0; i < width / 2; ++i) {
            put_chroma<0>(output, to, i,
                          rounded(a_weight * chroma_at<0>(source, a, i) + b_weight * chroma_at<0>(source, b, i), 3,
                                  source.depth, output.depth));
            put_chroma<1>(output, to, i,
                          rounded(a_weight * chroma_at<1>(source, a, i) + b_weight * chroma_at<1>(source, b, i), 3,
                                  source.depth, output.depth));
        }
    }
}

template <Pair pair>
void convert_groups(const RowGroups& groups)
{
    for (int32_t n = 0; n < groups.count; ++n)
        for (int32_t k = 0; k < 2; ++k) {
            const RowPair r = pair_at<pair>(groups, k, n);
            if constexpr (unfolds(pair))
                (r.weight == 5 ? unfold_pair<pair, 5> : r.weight == 7 ? unfold_pair<pair, 7>
                                                                      : unfold_pair<pair, 6>)(r, groups.width);
            else if (!r.full[0].plane[0] || !r.full[1].plane[0])
                (r.weight == 3 ? fold_pair<pair, false, 3> : fold_pair<pair, false, 2>)(r, groups.width);
            else
                (r.weight == 3 ? fold_pair<pair, true, 3> : fold_pair<pair, true, 2>)(r, groups.width);
        }
}

template <Pair pair>
struct Plain {
    static constexpr RowGroupFunction kernel = convert_groups<pair>;
};

constexpr KernelSet plain_set = kernel_set<Plain>("c");

} // namespace

RowGroupFunction plain_kernel(int32_t pair)
{
    return plain_set.kernel[pair];
}

KernelSet plain_kernel_set()
{
    return plain_set;
}
