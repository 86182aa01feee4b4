#include "lib/frame_walk.h"
#include "lib/geometry.h"
#include "lib/kernel_ladder.h"
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

Planes planes_of(StridedPlanes& p)
{
    const chromafold_planes c = p.planes();
    return {{c.data[0], c.data[1], c.data[2]}, {c.stride[0], c.stride[1], c.stride[2]}};
}

// This platform's rungs in ladder order, each with whether this processor
// runs it, from the processor's own features.
std::vector<std::pair<std::string_view, bool>> platform_rungs()
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
    return {{"c", true}, {"sse2", true}, {"ssse3", __builtin_cpu_supports("ssse3")},
            {"avx2", __builtin_cpu_supports("avx2")}, {"avx512", avx512}};
#elif defined(__aarch64__)
    return {{"c", true}, {"neon", true}};
#else
    return {{"c", true}};
#endif
}

// The rung a cap gives: the one it names or the best this processor runs
// below it; the best of all for a name this platform does not know.
std::string_view capped_rung(const char* cap)
{
    std::string_view best;
    for (const auto& [name, runs] : platform_rungs()) {
        best = runs ? name : best;
        if (cap && name == cap)
            return best;
    }
    return best;
}

// A ladder that lost a rung would leave the vector kernels unused while every
// other test passed: the kernels in use are the best this processor runs, up
// to the rung CHROMAFOLD_KERNEL names where it names one (ctest runs this
// with it set to each), and each pair runs the highest rung that has a kernel
// for it.
TEST(KernelLadder, TheBestSetThisProcessorRunsIsInUse)
{
    const char* cap = std::getenv("CHROMAFOLD_KERNEL");
    EXPECT_EQ(best_instruction_set(), capped_rung(cap));
    const KernelLadder ladder = kernel_ladder(cap);
    EXPECT_STREQ(ladder.rungs[0].instruction_set, "c");
    for (int32_t p = 0; p < pair_count; ++p) {
        EXPECT_TRUE(ladder.rungs[0].kernel[p]) << pairs[p].source << " into " << pairs[p].output;
        EXPECT_EQ(chosen_kernel(p), best_kernel(ladder, p)) << pairs[p].source << " into " << pairs[p].output;
    }
}

// Each name caps the ladder at that rung, or at the best below it that this
// processor runs; a name of another platform's, or of none, cuts nothing.
TEST(KernelLadder, TheCapGivesThatRungOrTheBestBelow)
{
    const auto rungs = platform_rungs();
    const auto runs = [&](std::string_view name) {
        return std::count(rungs.begin(), rungs.end(), std::pair{name, true}) > 0;
    };
    const std::string_view best = capped_rung(nullptr);
    struct Case {
        const char* cap;
        std::string_view want;
    };
    const Case cases[] = {
        {"c", "c"},
        {"sse2", runs("sse2") ? "sse2" : best},
        {"ssse3", runs("ssse3") ? "ssse3" : runs("sse2") ? "sse2" : best},
        {"avx2", runs("avx2") ? "avx2" : runs("ssse3") ? "ssse3" : runs("sse2") ? "sse2" : best},
        {"avx512", runs("avx512") ? "avx512" : runs("avx2") ? "avx2" : runs("ssse3") ? "ssse3" : best},
        {"neon", runs("neon") ? "neon" : best},
        {"AVX2", best}, {"avx", best}, {"", best}, {"c ", best}, {nullptr, best},
    };
    for (const auto& [cap, want] : cases) {
        const KernelLadder ladder = kernel_ladder(cap);
        EXPECT_EQ(ladder.rungs[ladder.count - 1].instruction_set, want) << (cap ? cap : "no cap");
    }
}

// Each x86-64 rung runs the pairs it was written for, and a processor that
// lacks the rungs above it (the ladder cut there, as on an SSE2-only or an
// SSSE3 processor) runs them there: a kernel dropped from a rung would leave
// its pair on a slower one while every other test passed. AVX2 and NEON have
// every pair; AVX-512 v210 into 8-bit 4:2:0, 10-bit 4:2:0 into v210 and into
// I422, and AVX2 the rest; without AVX2, SSSE3 every v210 pair and SSE2 the
// packed 8-bit sources into 8-bit 4:2:0.
TEST(KernelLadder, EachRungRunsThePairsItWasWrittenFor)
{
    const auto packed_8bit = [](const Format& f) { return f.layout == Layout::uyvy || f.layout == Layout::yuy2; };
    for (const auto& [top, processor_runs] : platform_rungs()) {
        if (!processor_runs)
            continue;
        const KernelLadder ladder = kernel_ladder(std::string(top).c_str());
        for (int32_t p = 0; p < pair_count; ++p) {
            const Format source = format_info(pairs[p].source), output = format_info(pairs[p].output);
            const bool v210 = source.layout == Layout::v210 || output.layout == Layout::v210;
            const bool avx512 = (source.layout == Layout::v210 && output.depth == 8) ||
                                (source.subsampled && source.depth == 10 &&
                                 (output.layout == Layout::v210 || output.code == i422));
            const std::string_view want = top == "avx512" && avx512 ? "avx512"
                                          : top == "avx512" || top == "avx2" ? "avx2"
                                          : top == "neon"                    ? top
                                          : top != "sse2" && top != "c" && v210 ? "ssse3"
                                          : top != "c" && packed_8bit(source) && output.subsampled && output.depth == 8
                                              ? "sse2"
                                              : "c";
            const auto set = std::find_if(ladder.rungs, ladder.rungs + ladder.count,
                                          [&](const KernelSet& s) { return s.instruction_set == want; });
            ASSERT_NE(set, ladder.rungs + ladder.count) << want;
            EXPECT_EQ(best_kernel(ladder, p), set->kernel[p])
                << source.name << " into " << output.name << " up to " << top << ": " << want;
        }
    }
}

// Every vector kernel against the plain C one of its pair, with each weight,
// on random rows and on the extremes (the bits outside a 10-bit sample set in
// all but the zero pattern), for every even width to 300 and a few large
// ones, into rows with guard bytes before, between and after them: a run of
// two row groups of two pairs, pair k of a group on rows 2k and 2k+1 and
// chroma rows k and k + 1; into 4:2:2, also pairs that are one row.
class VectorKernels : public testing::TestWithParam<const char*> {};

TEST_P(VectorKernels, EqualThePlainOnes)
{
    const KernelLadder ladder = kernel_ladder();
    const auto rung = std::find_if(ladder.rungs, ladder.rungs + ladder.count,
                                   [](const KernelSet& s) { return std::string_view(s.instruction_set) == GetParam(); });
    if (rung == ladder.rungs + ladder.count)
        GTEST_SKIP() << "this processor, or its operating system, has no " << GetParam() << " rung";
    const int r = int(rung - ladder.rungs);
    std::vector<int32_t> widths{718, 720, 1920, 3840, 32768};
    for (int32_t width = 0; width <= 300; width += 2)
        widths.push_back(width);
    const ptrdiff_t extra[3] = {32, 32, 64}, source_extra[3] = {6, 10, 2};
    struct Weights {
        int32_t first, second;
        bool alone;
    };
    const Weights folds[] = {{3, 3, false}, {2, 2, false}}, unfolds[] = {{5, 7, false}, {6, 6, false}, {5, 7, true}};
    std::mt19937_64 seeds(7);
    for (int32_t p = 0; p < pair_count; ++p) {
        const RowGroupFunction plain = ladder.rungs[0].kernel[p], vector = ladder.rungs[r].kernel[p];
        const Format source = format_info(pairs[p].source), output = format_info(pairs[p].output);
        const bool fold = !source.subsampled;
        for (int32_t width : widths) {
            const uint64_t seed = seeds();
            for (int pattern = 0; vector && pattern < 4; ++pattern) {
                StridedPlanes src = strided_planes(source.code, width, 12, source_extra, 0);
                src.block = random_bytes(seed, src.block.size());
                for (uint8_t& b : src.block)
                    b = pattern == 0 ? b : pattern == 1 ? 0 : pattern == 2 ? 255 : (b & 1) * 255;
                for (const Weights& w : fold ? std::span<const Weights>(folds) : std::span<const Weights>(unfolds)) {
                    StridedPlanes want = strided_planes(output.code, width, 12, extra, uint8_t(w.first * 0x33)),
                                  got = want;
                    for (auto [kernel, out] : {std::pair{plain, &want}, {vector, &got}}) {
                        const Planes in = planes_of(src), to = planes_of(*out);
                        const Planes& full = fold ? in : to;
                        const Planes& half = fold ? to : in;
                        const Format& full_format = fold ? source : output;
                        const Format& half_format = fold ? output : source;
                        const auto pair = [&](int32_t k) {
                            const int32_t other = w.alone ? 2 * k : 2 * k + 1;
                            return RowPair{{full_row(full, full_format, 2 * k), full_row(full, full_format, other)},
                                           {rows_of(half, half_format, 2 * k, k),
                                            rows_of(half, half_format, other, fold ? -1 : w.alone ? k : k + 1)},
                                           k ? w.second : w.first};
                        };
                        kernel({{pair(0), pair(1)},
                                {4 * full.stride[0], 4 * full.stride[1], 4 * full.stride[2]},
                                {4 * half.stride[0], 2 * half.stride[1], 2 * half.stride[2]},
                                2,
                                width});
                    }
                    const auto differ = std::mismatch(want.block.begin(), want.block.end(), got.block.begin());
                    ASSERT_TRUE(differ.first == want.block.end())
                        << ladder.rungs[r].instruction_set << ", " << source.name << " into " << output.name
                        << ": seed " << seed << ", width " << width << ", pattern " << pattern << ", weights "
                        << w.first << ", " << w.second << (w.alone ? " alone" : "") << ", first differing byte "
                        << differ.first - want.block.begin() << " (guards included): " << int(*differ.second)
                        << " instead of " << int(*differ.first);
                }
            }
        }
    }
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(VectorKernels);
#if defined(__x86_64__)
INSTANTIATE_TEST_SUITE_P(Rungs, VectorKernels, testing::Values("sse2", "ssse3", "avx2", "avx512"),
                         [](const testing::TestParamInfo<const char*>& rung) { return std::string(rung.param); });
#elif defined(__aarch64__)
INSTANTIATE_TEST_SUITE_P(Rungs, VectorKernels, testing::Values("neon"),
                         [](const testing::TestParamInfo<const char*>& rung) { return std::string(rung.param); });
#endif

// The frame walk with every kernel set and every pair against the model:
// random geometries in every mode and both scans, then every count of
// left-over rows with widths around multiples of 16; half the frames with rows
// back to back, half with gaps of their own in the source and each plane. Each
// runs into blocks filled with 0x00 and with 0xFF, so that a byte left
// unwritten shows.
TEST(FrameWalk, EveryKernelSetAndPairMatchesTheModel)
{
    std::vector<chromafold_geometry> cases;
    std::mt19937 pick(20261206u);
    for (int trial = 0; trial < 900; ++trial)
        cases.push_back(frame_geometry(int32_t(2 * (1 + pick() % 50)), int32_t(1 + pick() % 100), trial % 3));
    for (int32_t width : {2, 4, 6, 12, 14, 16, 18, 20, 30, 32, 46})
        for (int32_t height : {1, 2, 3, 4, 5, 6, 7, 31, 32, 33, 34, 35, 36, 63, 64, 65})
            for (int32_t mode : {CHROMAFOLD_MODE_CLIP, CHROMAFOLD_MODE_PADDING, CHROMAFOLD_MODE_KEEP})
                cases.push_back(frame_geometry(width, height, mode));
    const KernelLadder ladder = kernel_ladder();
    uint64_t seed = 0;
    for (const chromafold_geometry& g : cases) {
        const auto [source, output] = pairs[seed % pair_count];
        const int32_t scan = int32_t(seed / pair_count % 2);
        const std::vector<uint8_t> frame = random_bytes(++seed, frame_bytes(source, g.src_width, g.src_height));
        // A 4:2:0 source's fields hold whole pairs of chroma rows.
        if (format_info(source).subsampled && g.src_height % 4)
            continue;
        const std::vector<uint8_t> want = model_frame(source, output, scan, frame, g);
        const ptrdiff_t gap = seed % 2 ? 0 : ptrdiff_t(seed % 29), extra[3] = {gap, gap / 2, gap / 3};
        const StridedSource src = strided_source(source, frame, g.src_width, g.src_height, rows_read(source, scan, g).data(),
                                                 std::min(g.src_width, g.dst_width), extra);
        for (int k = 0; k < ladder.count; ++k)
            for (uint8_t fill : {0x00, 0xFF}) {
                StridedPlanes p = strided_planes(output, g.dst_width, g.dst_height, extra, fill);
                const RowGroupFunction kernel = ladder.rungs[k].kernel[pair_index(source, output)];
                if (!kernel)
                    continue;
                convert_frame_with(kernel, frame_layout(g, scan, source, src.planes(), output, p.planes()));
                ASSERT_EQ(check_planes(p, want), "")
                    << ladder.rungs[k].instruction_set << ", " << source << " into " << output << ", scan " << scan
                    << ", seed " << seed << ", " << g.src_width << "x" << g.src_height << " into " << g.dst_width
                    << "x" << g.dst_height << ", gap " << gap;
            }
    }
}

} // namespace
