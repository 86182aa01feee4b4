#include "lib/row_kernels.h"

#include "lib/kernel_ladder.h"
#include "lib/samples.h"

namespace {

template <Pair pair>
void fold_pair(const RowPair& r, int32_t width)
{
    constexpr Format source = format_info(pair.source), output = format_info(pair.output);
    for (int k = 0; k < 2; ++k)
        if (r.full[k].plane[0])
            for (int32_t x = 0; x < width; ++x)
                put_luma(output, r.half[k], x, rounded(luma_at(source, r.full[k], x), 0, source.depth, output.depth));
    // Each chroma row leans towards the row nearest to where it is sited.
    const uint32_t missing = neutral(source.depth);
    for (int32_t i = 0; i < width / 2; ++i)
        for (int32_t c = 0; c < 2; ++c) {
            const uint32_t near = r.full[0].plane[0] ? chroma_at(source, r.full[0], i, c) : missing;
            const uint32_t far = r.full[1].plane[0] ? chroma_at(source, r.full[1], i, c) : missing;
            const uint32_t sum = uint32_t(r.weight) * near + uint32_t(4 - r.weight) * far;
            put_chroma(output, r.half[0], i, c, rounded(sum, 2, source.depth, output.depth));
        }
}

template <Pair pair>
void convert_groups(const RowGroups& groups)
{
    for (int32_t n = 0; n < groups.count; ++n)
        for (int32_t k = 0; k < 2; ++k)
            fold_pair<pair>(pair_at<pair>(groups, k, n), groups.width);
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
