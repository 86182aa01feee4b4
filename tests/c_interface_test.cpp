#include <chromafold/chromafold.h>
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The address `left` bytes before the end of the address space.
uint8_t* end_of_memory(uintptr_t left)
{
    return reinterpret_cast<uint8_t*>(UINTPTR_MAX - left + 1);
}

// Valid settings give the geometry; refused ones leave it as it was.
TEST(CInterface, GeometryOfEverySetting)
{
    struct Case {
        int32_t width, height, mode;
        chromafold_geometry want; // all zero: refused
    };
    const Case cases[] = {
        {720, 486, CHROMAFOLD_MODE_CLIP, {720, 486, 720, 480, 699840, 518400}},
        {720, 486, CHROMAFOLD_MODE_PADDING, {720, 486, 720, 512, 699840, 552960}},
        {1920, 1080, CHROMAFOLD_MODE_PADDING, {1920, 1080, 1920, 1088, 4147200, 3133440}},
        {14, 40, CHROMAFOLD_MODE_CLIP, {14, 40, 0, 32, 1120, 0}},
        {2, 1, CHROMAFOLD_MODE_PADDING, {2, 1, 16, 32, 4, 768}},
        {32768, 32768, CHROMAFOLD_MODE_PADDING, {32768, 32768, 32768, 32768, 2147483648u, 1610612736u}},
        {-2, 486, 0, {}}, {0, 486, 0, {}}, {721, 486, 0, {}}, {32770, 486, 0, {}}, {720, -1, 0, {}},
        {720, 0, 0, {}}, {720, 32769, 0, {}}, {720, 486, -1, {}}, {720, 486, 2, {}}, {INT32_MIN, 486, 1, {}},
    };
    for (const Case& c : cases) {
        const bool valid = c.want.src_width != 0;
        chromafold_geometry g, before;
        std::memset(&g, 0xA5, sizeof g);
        before = g;
        EXPECT_EQ(chromafold_frame_geometry(c.width, c.height, c.mode, &g), valid ? 0 : -1)
            << c.width << "x" << c.height << " mode " << c.mode;
        EXPECT_EQ(std::memcmp(&g, valid ? &c.want : &before, sizeof g), 0)
            << c.width << "x" << c.height << " mode " << c.mode << " gave " << g.dst_width << "x" << g.dst_height
            << ", " << g.src_bytes << " and " << g.dst_bytes << " bytes";
    }
    EXPECT_EQ(chromafold_frame_geometry(720, 486, 0, nullptr), -1);
}

// Conversions into planes whose rows lie further apart than they are long, each
// by its own amount, from sources with gaps between their rows: clip mode,
// which drops columns and rows, and padding mode down to a source of one row.
TEST(CInterface, ConvertsIntoStridedPlanes)
{
    const int32_t cases[][4] = {{84, 70, CHROMAFOLD_MODE_CLIP, 24}, {40, 1, CHROMAFOLD_MODE_PADDING, 0},
                                {46, 67, CHROMAFOLD_MODE_PADDING, 6}};
    for (const auto& [width, height, mode, gap] : cases) {
        chromafold_geometry g;
        ASSERT_EQ(chromafold_frame_geometry(width, height, mode, &g), 0);
        const std::vector<uint8_t> frame = random_bytes(uint64_t(width * height), g.src_bytes);
        const std::vector<uint8_t> src = strided_source(frame, width, height, 2 * width + gap);
        const ptrdiff_t extra[3] = {64, 40, 8};
        StridedPlanes p = strided_planes(g.dst_width, g.dst_height, extra, 0x77);
        EXPECT_EQ(chromafold_convert_frame(&g, src.data(), 2 * width + gap, p.start(0), p.stride[0], p.start(1),
                                           p.stride[1], p.start(2), p.stride[2]),
                  0)
            << width << "x" << height << " mode " << mode;
        EXPECT_EQ(check_planes(p, model_frame(frame, width, height, g.dst_width, g.dst_height)), "")
            << width << "x" << height << " mode " << mode;
    }
}

// Every way a call can be wrong leaves every output byte as it was.
TEST(CInterface, RefusedConversionsWriteNothing)
{
    struct Call {
        chromafold_geometry g;
        const uint8_t* src;
        ptrdiff_t src_stride;
        uint8_t *y, *u, *v;
        ptrdiff_t y_stride, u_stride, v_stride;
        bool null_geometry;
    };
    chromafold_geometry base;
    ASSERT_EQ(chromafold_frame_geometry(40, 35, CHROMAFOLD_MODE_PADDING, &base), 0);
    const std::vector<uint8_t> src = random_bytes(3, base.src_bytes);
    const std::pair<const char*, void (*)(Call&)> cases[] = {
        {"null geometry", [](Call& c) { c.null_geometry = true; }},
        {"null source", [](Call& c) { c.src = nullptr; }},
        {"null luma", [](Call& c) { c.y = nullptr; }},
        {"null U", [](Call& c) { c.u = nullptr; }},
        {"null V", [](Call& c) { c.v = nullptr; }},
        {"negative source stride", [](Call& c) { c.src_stride = -c.src_stride; }},
        {"negative luma stride", [](Call& c) { c.y_stride = -1; }},
        {"negative U stride", [](Call& c) { c.u_stride = -c.u_stride; }},
        {"negative V stride", [](Call& c) { c.v_stride = -c.v_stride; }},
        {"source stride below a row", [](Call& c) { c.src_stride = 79; }},
        {"luma stride below a row", [](Call& c) { c.y_stride = 47; }},
        {"U stride below a row", [](Call& c) { c.u_stride = 23; }},
        {"V stride below a row", [](Call& c) { c.v_stride = 23; }},
        {"luma stride past the address space", [](Call& c) { c.y_stride = PTRDIFF_MAX; }},
        {"V stride past the address space", [](Call& c) { c.v_stride = PTRDIFF_MAX / 2; }},
        // 32 rows of 24 bytes, 32 apart, need 1016 bytes, and only 1015 are left.
        {"U plane past the end of the address space", [](Call& c) { c.u = end_of_memory(1015); }},
        {"V plane past the end of the address space", [](Call& c) { c.v = end_of_memory(1015); }},
        // A source of one row of 80 bytes, with only 11 left.
        {"one-row source past the end of the address space",
         [](Call& c) { c.g = {40, 1, 48, 32, 80, 2304}, c.src = end_of_memory(11); }},
        // Clipped to 32 pixels, only 64 bytes of each row are read, but the
        // stride must still cover the whole 80-byte row.
        {"source stride below a row that is clipped", [](Call& c) { c.g = {40, 35, 32, 32, 2800, 1536}, c.src_stride = 70; }},
        {"odd width", [](Call& c) { c.g.src_width = 41; }},
        {"zero width", [](Call& c) { c.g = {0, 35, 0, 64, 0, 0}; }},
        {"zero height", [](Call& c) { c.g = {40, 0, 48, 0, 0, 0}; }},
        {"width beyond 32768", [](Call& c) { c.g = {32770, 35, 32784, 64, 2293900, 3147264}; }},
        {"output wider than either mode", [](Call& c) { c.g.dst_width = 64; }},
        {"output taller than either mode", [](Call& c) { c.g.dst_height = 96; }},
        {"source bytes wrong", [](Call& c) { c.g.src_bytes += 1; }},
        {"output bytes wrong", [](Call& c) { c.g.dst_bytes -= 1; }},
        {"clipped size with padded bytes", [](Call& c) { c.g.dst_width = c.g.dst_height = 32; }},
    };
    const ptrdiff_t extra[3] = {16, 8, 8};
    for (const auto& [name, spoil] : cases) {
        StridedPlanes p = strided_planes(base.dst_width, base.dst_height, extra, 0x5A);
        Call c{base, src.data(), 80, p.start(0), p.start(1), p.start(2), p.stride[0], p.stride[1], p.stride[2], false};
        spoil(c);
        EXPECT_EQ(chromafold_convert_frame(c.null_geometry ? nullptr : &c.g, c.src, c.src_stride, c.y, c.y_stride,
                                           c.u, c.u_stride, c.v, c.v_stride),
                  -1)
            << name;
        EXPECT_EQ(p.block, std::vector<uint8_t>(p.block.size(), 0x5A)) << name << " wrote into the output";
    }
}

} // namespace
