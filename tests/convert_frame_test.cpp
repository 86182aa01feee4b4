#include <chromafold/convert.h>
#include "convert/frame_layout.h"
#include "convert/kernel_table.h"
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t guard_size = 64;

// Converts with `kernels` into a buffer guarded on both sides and compares every
// output byte with the model. The buffer is filled with 0x00 and then with 0xFF
// beforehand, so a byte the walk leaves unwritten differs from the model in one
// of the two runs. Returns an empty string, or what went wrong.
std::string check_against_model(const RowKernels& kernels, const std::vector<uint8_t>& src,
                                const FrameGeometry& g)
{
    const std::vector<uint8_t> expected =
        model_frame(src, g.src_width, g.src_height, g.dst_width, g.dst_height);
    for (uint8_t sentinel : {0x00, 0xFF}) {
        std::vector<uint8_t> out(g.dst_bytes + 2 * guard_size, sentinel);
        convert_frame_with(kernels, frame_layout(out.data() + guard_size, src.data(), g.src_width,
                                                 g.src_height, g.dst_width, g.dst_height));
        for (size_t i = 0; i < guard_size; ++i) {
            if (out[i] != sentinel || out[out.size() - 1 - i] != sentinel)
                return "a guard byte was overwritten";
        }
        for (size_t i = 0; i < expected.size(); ++i) {
            if (out[guard_size + i] != expected[i])
                return "first differing output byte " + std::to_string(i) + ": got " +
                       std::to_string(out[guard_size + i]) + ", model " +
                       std::to_string(expected[i]);
        }
    }
    return {};
}

// Even widths 2 to 100, heights 1 to 100, both modes, every kernel set.
TEST(ConvertFrame, MatchesModelOverRandomGeometries)
{
    const RowKernelLadder ladder = available_row_kernels();
    std::mt19937 pick(20261206u);
    for (int trial = 0; trial < 800; ++trial) {
        const uint32_t seed = pick();
        std::mt19937 dims(seed);
        Settings settings{int32_t(2 * (1 + dims() % 50)), int32_t(1 + dims() % 100), trial % 2};
        const FrameGeometry g = frame_geometry(settings);
        const std::vector<uint8_t> src = random_bytes(seed, g.src_bytes);
        for (int k = 0; k < ladder.count; ++k) {
            const std::string fault = check_against_model(ladder.rungs[k], src, g);
            ASSERT_EQ(fault, "") << "kernels " << ladder.rungs[k].name << ", seed " << seed
                                 << ", " << g.src_width << "x" << g.src_height << " -> "
                                 << g.dst_width << "x" << g.dst_height;
        }
    }
}

// Every left-over row count (height mod 4), widths 0, 2, 4 and 14 past a
// multiple of 16, heights just below, at and above multiples of 32.
TEST(ConvertFrame, EdgeGeometriesMatchModelInBothModes)
{
    const RowKernelLadder ladder = available_row_kernels();
    for (int32_t width : {2, 4, 14, 16, 18, 20, 30, 32, 46}) {
        for (int32_t height : {1, 2, 3, 4, 5, 6, 7, 31, 32, 33, 34, 35, 36, 63, 64, 65}) {
            for (int32_t mode : {mode_clip, mode_padding}) {
                const FrameGeometry g = frame_geometry(Settings{width, height, mode});
                const uint64_t seed = uint64_t(width) * 1000 + uint64_t(height) * 10 + uint64_t(mode);
                const std::vector<uint8_t> src = random_bytes(seed, g.src_bytes);
                for (int k = 0; k < ladder.count; ++k)
                    ASSERT_EQ(check_against_model(ladder.rungs[k], src, g), "")
                        << ladder.rungs[k].name << " " << width << "x" << height << " mode " << mode;
            }
        }
    }
}

// Neutral chroma in gives neutral chroma out, whatever is padded or blended.
TEST(ConvertFrame, NeutralChromaStaysNeutral)
{
    for (int32_t height : {29, 30, 31, 32, 36}) {
        const FrameGeometry g = frame_geometry(Settings{18, height, mode_padding});
        const std::vector<uint8_t> src(g.src_bytes, 128);
        std::vector<uint8_t> out(g.dst_bytes);
        convert_frame(out.data(), src.data(), g.src_width, g.src_height, g.dst_width, g.dst_height);
        const size_t luma_size = size_t(g.dst_width) * size_t(g.dst_height);
        for (size_t i = luma_size; i < out.size(); ++i)
            ASSERT_EQ(out[i], 128) << "height " << height << ", chroma byte " << i - luma_size;
    }
}

TEST(ConvertFrame, DefaultGeometryMatchesModelOnExtremes)
{
    for (int32_t mode : {mode_clip, mode_padding}) {
        const FrameGeometry g = frame_geometry(Settings{720, 486, mode});
        ASSERT_EQ(g.dst_bytes, mode == mode_clip ? 518400u : 552960u);
        // Alternating extremes make every rounding and saturation path visible.
        std::vector<uint8_t> src(g.src_bytes);
        for (size_t i = 0; i < src.size(); ++i)
            src[i] = (i / 4 + i / 1440) % 3 == 0 ? 255 : (i % 7 == 0 ? 2 : 0);
        EXPECT_EQ(check_against_model(active_row_kernels(), src, g), "") << "mode " << mode;
    }
}

} // namespace
