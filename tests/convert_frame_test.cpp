#include "convert/geometry.h"
#include "convert/kernel_table.h"
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t guard_size = 64;
constexpr uint8_t guard_byte = 0xA5;

// Converts with `kernels` into a buffer guarded on both sides and compares every
// output byte with the model. Returns an empty string, or what went wrong.
std::string check_against_model(const RowKernels& kernels, const std::vector<uint8_t>& src,
                                const FrameGeometry& g)
{
    std::vector<uint8_t> out(g.dst_bytes + 2 * guard_size, guard_byte);
    convert_frame_with(kernels, out.data() + guard_size, src.data(), g.src_width, g.src_height,
                       g.dst_width, g.dst_height);
    const std::vector<uint8_t> expected =
        model_frame(src, g.src_width, g.src_height, g.dst_width, g.dst_height);
    for (size_t i = 0; i < guard_size; ++i) {
        if (out[i] != guard_byte || out[out.size() - 1 - i] != guard_byte)
            return "a guard byte was overwritten";
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        if (out[guard_size + i] != expected[i])
            return "first differing output byte " + std::to_string(i) + ": got " +
                   std::to_string(out[guard_size + i]) + ", model " + std::to_string(expected[i]);
    }
    return {};
}

void check_random_geometries(int32_t mode, int trials)
{
    const RowKernelLadder ladder = available_row_kernels();
    std::mt19937 pick(20261206u + uint32_t(mode));
    for (int trial = 0; trial < trials; ++trial) {
        const uint32_t seed = pick();
        std::mt19937 dims(seed);
        Settings settings{int32_t(2 * (1 + dims() % 50)), int32_t(1 + dims() % 100), mode};
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

TEST(ConvertFrame, ClipModeMatchesModelOverRandomGeometries)
{
    check_random_geometries(mode_clip, 400);
}

TEST(ConvertFrame, DefaultGeometryMatchesModelOnExtremes)
{
    const FrameGeometry g = frame_geometry(Settings{720, 486, mode_clip});
    ASSERT_EQ(g.dst_bytes, 518400u);
    // Alternating extremes make every rounding and saturation path visible.
    std::vector<uint8_t> src(g.src_bytes);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = (i / 4 + i / 1440) % 3 == 0 ? 255 : (i % 7 == 0 ? 2 : 0);
    EXPECT_EQ(check_against_model(active_row_kernels(), src, g), "");
}

} // namespace
