#include "lib/frame_walk.h"
#include "lib/geometry.h"
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Known answers of the chroma filters, U and V alike: the extremes, the rounding
// of a quarter-weighted sum (halves up), and neutral chroma standing in for a
// missing lower row.
TEST(RowKernels, ChromaFiltersGiveKnownAnswers)
{
    // upper, lower, then top field, bottom field, top edge, bottom edge
    const uint8_t cases[][6] = {{0, 255, 64, 191, 32, 96}, {255, 0, 191, 64, 223, 160}, {0, 2, 1, 2, 32, 96},
                                {2, 0, 2, 1, 34, 97},      {1, 0, 1, 0, 33, 96},        {128, 128, 128, 128, 128, 128}};
    for (const auto& c : cases) {
        // One quad in the upper row and one in the lower, 4 bytes further on.
        const uint8_t rows[8] = {c[0], 7, c[0], 9, c[1], 7, c[1], 9};
        uint8_t got[4][2];
        chroma_top_field(&got[0][0], &got[0][1], rows, 2, 4);
        chroma_bottom_field(&got[1][0], &got[1][1], rows, 2, 4);
        chroma_top_edge(&got[2][0], &got[2][1], rows, 2);
        chroma_bottom_edge(&got[3][0], &got[3][1], rows, 2);
        for (int k = 0; k < 4; ++k)
            EXPECT_TRUE(got[k][0] == c[2 + k] && got[k][1] == c[2 + k])
                << "filter " << k << " of " << int(c[0]) << " over " << int(c[1]);
    }
}

// A ladder that lost a rung would leave the vector kernels unused while every
// other test passed: the kernels in use are the best this processor runs.
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
    EXPECT_STREQ(chosen_kernel().instruction_set, best);
}

// Every vector row-group kernel against the plain C one, on random rows and on
// the extremes 0 and 255, for every even width to 300 and a few large ones,
// into rows with guard bytes before, between and after them.
TEST(RowKernels, VectorKernelsEqualThePlainOne)
{
    const KernelLadder ladder = kernel_ladder();
    std::vector<int32_t> widths{718, 720, 1920, 3840, 32768};
    for (int32_t width = 0; width <= 300; width += 2)
        widths.push_back(width);
    const ptrdiff_t extra[3] = {32, 32, 64};
    std::mt19937_64 seeds(7);
    for (int r = 1; r < ladder.count; ++r)
        for (int32_t width : widths) {
            const uint64_t seed = seeds();
            const ptrdiff_t src_stride = 2 * ptrdiff_t(width) + 6;
            for (int pattern = 0; pattern < 4; ++pattern) {
                std::vector<uint8_t> src = random_bytes(seed, size_t(4 * src_stride));
                for (uint8_t& b : src)
                    b = pattern == 0 ? b : pattern == 1 ? 0 : pattern == 2 ? 255 : (b & 1) * 255;
                for (uint8_t fill : {0x00, 0xFF}) {
                    StridedPlanes want = strided_planes(width, 4, extra, fill), got = want;
                    for (auto [kernel, p] : {std::pair{ladder.rungs[0], &want}, {ladder.rungs[r], &got}})
                        kernel.convert(p->start(0), p->stride[0], p->start(1), p->stride[1], p->start(2),
                                       p->stride[2], src.data(), src_stride, width);
                    const auto differ = std::mismatch(want.block.begin(), want.block.end(), got.block.begin());
                    ASSERT_TRUE(differ.first == want.block.end())
                        << ladder.rungs[r].instruction_set << ": seed " << seed << ", width " << width << ", pattern "
                        << pattern << ", first differing byte " << differ.first - want.block.begin()
                        << " (guards included): " << int(*differ.second) << " instead of " << int(*differ.first);
                }
            }
        }
}

// The frame walk with every kernel set against the model: random geometries in
// both modes, then every count of left-over rows with widths around multiples
// of 16; half the frames with rows back to back, half with gaps of their own
// in the source and each plane. Each runs into blocks filled with 0x00 and with
// 0xFF, so that a byte left unwritten shows.
TEST(FrameWalk, EveryKernelSetMatchesTheModel)
{
    std::vector<chromafold_geometry> cases;
    std::mt19937 pick(20261206u);
    for (int trial = 0; trial < 600; ++trial)
        cases.push_back(frame_geometry(int32_t(2 * (1 + pick() % 50)), int32_t(1 + pick() % 100), trial % 2));
    for (int32_t width : {2, 4, 14, 16, 18, 20, 30, 32, 46})
        for (int32_t height : {1, 2, 3, 4, 5, 6, 7, 31, 32, 33, 34, 35, 36, 63, 64, 65})
            for (int32_t mode : {CHROMAFOLD_MODE_CLIP, CHROMAFOLD_MODE_PADDING})
                cases.push_back(frame_geometry(width, height, mode));
    const KernelLadder ladder = kernel_ladder();
    uint64_t seed = 0;
    for (const chromafold_geometry& g : cases) {
        const std::vector<uint8_t> frame = random_bytes(++seed, g.src_bytes);
        const std::vector<uint8_t> want = model_frame(frame, g.src_width, g.src_height, g.dst_width, g.dst_height);
        const ptrdiff_t gap = seed % 2 ? 0 : ptrdiff_t(seed % 29), extra[3] = {gap, gap / 2, gap / 3};
        const ptrdiff_t src_stride = 2 * ptrdiff_t(g.src_width) + gap / 4;
        const std::vector<uint8_t> src = strided_source(frame, g.src_width, g.src_height, src_stride);
        for (int k = 0; k < ladder.count; ++k)
            for (uint8_t fill : {0x00, 0xFF}) {
                StridedPlanes p = strided_planes(g.dst_width, g.dst_height, extra, fill);
                convert_frame_with(ladder.rungs[k], strided_frame_layout(g, src.data(), src_stride, p.start(0),
                                                                         p.stride[0], p.start(1), p.stride[1],
                                                                         p.start(2), p.stride[2]));
                ASSERT_EQ(check_planes(p, want), "")
                    << ladder.rungs[k].instruction_set << ", seed " << seed << ", " << g.src_width << "x"
                    << g.src_height << " into " << g.dst_width << "x" << g.dst_height << ", gap " << gap;
            }
    }
}

} // namespace
