#include "convert/kernel_table.h"
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

constexpr ptrdiff_t guard = 32;

// Runs the row-group kernel of `k` on four source rows into output rows that lie apart,
// with guards before, between and after them, all filled with `fill` first:
// four luma rows, then two U and two V rows, U and V rows apart by different
// strides.
std::vector<uint8_t> run_kernel(const RowKernels& k, const uint8_t* src,
                                ptrdiff_t src_stride, int32_t width, uint8_t fill)
{
    const ptrdiff_t luma_stride = width + guard;
    const ptrdiff_t u_stride = width / 2 + guard;
    const ptrdiff_t v_stride = width / 2 + 2 * guard;
    std::vector<uint8_t> out(size_t(guard + 4 * luma_stride + 2 * u_stride + 2 * v_stride), fill);
    uint8_t* luma = out.data() + guard;
    uint8_t* u = luma + 4 * luma_stride;
    uint8_t* v = u + 2 * u_stride;
    k.convert_row_group(luma, luma_stride, u, u_stride, v, v_stride, src, src_stride, width);
    return out;
}

// Every kernel of every vector set against the plain C one, on random rows and
// on the extremes 0 and 255, for every width to 300 and a few large ones.
TEST(RowKernelVariants, EqualThePlainKernelsByteForByte)
{
    const RowKernelLadder ladder = available_row_kernels();
    std::vector<int32_t> widths;
    for (int32_t width = 0; width <= 300; width += 2)
        widths.push_back(width);
    widths.insert(widths.end(), {718, 720, 1920, 3840, 7680, 32768});
    std::mt19937_64 seeds(7);
    for (int r = 1; r < ladder.count; ++r) {
        for (int32_t width : widths) {
            const uint64_t seed = seeds();
            // Rows with a few spare bytes between them, as strides may have.
            const ptrdiff_t src_stride = 2 * ptrdiff_t(width) + 6;
            const std::vector<uint8_t> random = random_bytes(seed, size_t(4 * src_stride));
            std::vector<uint8_t> src(random.size());
            // Random bytes, then all 0, all 255, and a random mix of 0 and 255.
            for (int pattern = 0; pattern < 4; ++pattern) {
                for (size_t i = 0; i < src.size(); ++i)
                    src[i] = pattern == 0 ? random[i] : pattern == 1 ? 0 : pattern == 2 ? 255 : (random[i] & 1) * 255;
                {
                    for (uint8_t fill : {0x00, 0xFF}) {
                        const auto want = run_kernel(ladder.rungs[0], src.data(), src_stride, width, fill);
                        const auto got = run_kernel(ladder.rungs[r], src.data(), src_stride, width, fill);
                        size_t first = 0;
                        while (first < want.size() && got[first] == want[first])
                            ++first;
                        ASSERT_EQ(first, want.size())
                            << ladder.rungs[r].name << ": seed " << seed
                            << ", width " << width << ", source pattern " << pattern
                            << ", first differing output byte " << first << " (guards included): "
                            << int(got[first]) << " instead of " << int(want[first]);
                    }
                }
            }
        }
    }
}

} // namespace
