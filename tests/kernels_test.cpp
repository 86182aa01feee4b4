#include "lib/frame_walk.h"
#include "lib/geometry.h"
#include "lib/kernel_ladder.h"
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

const std::pair<int32_t, int32_t> pairs[] = {{uyvy, i420}, {uyvy, nv12}, {yuy2, i420}, {yuy2, nv12},
                                             {v210, i420}, {v210, nv12}, {v210, i010}, {v210, p010}};

// A ladder that lost a rung would leave the vector kernels unused while every
// other test passed: the kernels in use are the best this processor runs, and
// each pair runs the highest rung that has a kernel for it.
TEST(RowKernels, TheBestSetThisProcessorRunsIsInUse)
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    const char* best = __builtin_cpu_supports("avx2") ? "avx2" : "sse2";
#elif defined(__aarch64__)
    const char* best = "neon";
#else
    const char* best = "c";
#endif
    EXPECT_STREQ(best_instruction_set(), best);
    const KernelLadder ladder = kernel_ladder();
    EXPECT_STREQ(ladder.rungs[0].instruction_set, "c");
    for (const auto& [source, output] : pairs)
        for (int k = ladder.count - 1; k >= 0; --k)
            if (const RowGroupFunction kernel = ladder.rungs[k].row_group[source][output]; kernel) {
                EXPECT_EQ(chosen_kernel(source, output), kernel) << source << output;
                break;
            }
}

// Every vector row-group kernel against the plain C one of its pair, on random
// rows and on the extremes, for every even width to 300 and a few large ones,
// into rows with guard bytes before, between and after them.
TEST(RowKernels, VectorKernelsEqualThePlainOnes)
{
    const KernelLadder ladder = kernel_ladder();
    std::vector<int32_t> widths{718, 720, 1920, 3840, 32768};
    for (int32_t width = 0; width <= 300; width += 2)
        widths.push_back(width);
    const ptrdiff_t extra[3] = {32, 32, 64};
    std::mt19937_64 seeds(7);
    for (int r = 1; r < ladder.count; ++r)
        for (const auto& [source, output] : pairs) {
            const RowGroupFunction plain = ladder.rungs[0].row_group[source][output];
            const RowGroupFunction vector = ladder.rungs[r].row_group[source][output];
            for (int32_t width : widths) {
                const uint64_t seed = seeds();
                const ptrdiff_t src_stride = ptrdiff_t(row_bytes(source, width)) + 6;
                for (int pattern = 0; vector && pattern < 4; ++pattern) {
                    std::vector<uint8_t> src = random_bytes(seed, size_t(4 * src_stride));
                    for (uint8_t& b : src)
                        b = pattern == 0 ? b : pattern == 1 ? 0 : pattern == 2 ? 255 : (b & 1) * 255;
                    for (uint8_t fill : {0x00, 0xFF}) {
                        StridedPlanes want = strided_planes(output, width, 4, extra, fill), got = want;
                        for (auto [kernel, p] : {std::pair{plain, &want}, {vector, &got}}) {
                            const FrameLayout f = frame_layout({width, 4, width, 4, 0, 0}, source, src.data(),
                                                               src_stride, output, p->planes());
                            kernel(f.y, f.luma_stride, f.u, f.u_stride, f.v, f.v_stride, f.src, f.src_stride, width);
                        }
                        const auto differ = std::mismatch(want.block.begin(), want.block.end(), got.block.begin());
                        ASSERT_TRUE(differ.first == want.block.end())
                            << ladder.rungs[r].instruction_set << ", " << source << " into " << output << ": seed "
                            << seed << ", width " << width << ", pattern " << pattern << ", first differing byte "
                            << differ.first - want.block.begin() << " (guards included): " << int(*differ.second)
                            << " instead of " << int(*differ.first);
                    }
                }
            }
        }
}

// The frame walk with every kernel set and every pair against the model:
// random geometries in both modes, then every count of left-over rows with
// widths around multiples of 16; half the frames with rows back to back, half
// with gaps of their own in the source and each plane. Each runs into blocks
// filled with 0x00 and with 0xFF, so that a byte left unwritten shows.
TEST(FrameWalk, EveryKernelSetAndPairMatchesTheModel)
{
    std::vector<chromafold_geometry> cases;
    std::mt19937 pick(20261206u);
    for (int trial = 0; trial < 600; ++trial)
        cases.push_back(frame_geometry(int32_t(2 * (1 + pick() % 50)), int32_t(1 + pick() % 100), trial % 2));
    for (int32_t width : {2, 4, 6, 12, 14, 16, 18, 20, 30, 32, 46})
        for (int32_t height : {1, 2, 3, 4, 5, 6, 7, 31, 32, 33, 34, 35, 36, 63, 64, 65})
            for (int32_t mode : {CHROMAFOLD_MODE_CLIP, CHROMAFOLD_MODE_PADDING})
                cases.push_back(frame_geometry(width, height, mode));
    const KernelLadder ladder = kernel_ladder();
    uint64_t seed = 0;
    for (const chromafold_geometry& g : cases) {
        const auto [source, output] = pairs[seed % 8];
        const std::vector<uint8_t> frame = random_bytes(++seed, row_bytes(source, g.src_width) * size_t(g.src_height));
        const std::vector<uint8_t> want = model_frame(source, output, frame, g);
        const ptrdiff_t gap = seed % 2 ? 0 : ptrdiff_t(seed % 29), extra[3] = {gap, gap / 2, gap / 3};
        const ptrdiff_t src_stride = ptrdiff_t(row_bytes(source, g.src_width)) + gap / 4;
        const std::vector<uint8_t> src = strided_source(source, frame, g.src_width, std::min(g.src_height, g.dst_height),
                                                        std::min(g.src_width, g.dst_width), src_stride);
        for (int k = 0; k < ladder.count; ++k)
            for (uint8_t fill : {0x00, 0xFF}) {
                StridedPlanes p = strided_planes(output, g.dst_width, g.dst_height, extra, fill);
                const RowGroupFunction kernel = ladder.rungs[k].row_group[source][output];
                if (!kernel)
                    continue;
                convert_frame_with(kernel, frame_layout(g, source, src.data(), src_stride, output, p.planes()));
                ASSERT_EQ(check_planes(p, want), "")
                    << ladder.rungs[k].instruction_set << ", " << source << " into " << output << ", seed " << seed
                    << ", " << g.src_width << "x" << g.src_height << " into " << g.dst_width << "x" << g.dst_height
                    << ", gap " << gap;
            }
    }
}

} // namespace
