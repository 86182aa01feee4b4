#include <chromafold/chromafold.h>
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t uyvy = CHROMAFOLD_SOURCE_UYVY, yuy2 = CHROMAFOLD_SOURCE_YUY2, v210 = CHROMAFOLD_SOURCE_V210;
constexpr int32_t i420 = CHROMAFOLD_OUTPUT_I420, nv12 = CHROMAFOLD_OUTPUT_NV12, i010 = CHROMAFOLD_OUTPUT_I010,
                  p010 = CHROMAFOLD_OUTPUT_P010;

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

TEST(CInterface, SourceRowBytes)
{
    const int32_t cases[][3] = {{uyvy, 720, 1440},   {yuy2, 2, 4},         {uyvy, 32768, 65536}, {v210, 720, 1920},
                                {v210, 1920, 5120},  {v210, 48, 128},      {v210, 50, 256},      {v210, 2, 128},
                                {v210, 32768, 87424}, {3, 720, 0},         {-1, 720, 0},         {uyvy, 721, 0},
                                {v210, 0, 0},        {v210, 32770, 0},     {yuy2, -2, 0}};
    for (const auto& [format, width, bytes] : cases)
        EXPECT_EQ(chromafold_source_row_bytes(format, width), size_t(bytes)) << format << ", " << width;
}

// Every pair into planes whose rows lie further apart than they are long, each
// by its own amount, from sources with gaps between their rows: clip mode,
// which drops columns and rows, down to an output of no rows; padding mode
// down to sources of one and of two rows; v210 rows that end in part of a
// group. The UYVY into I420 ones go through chromafold_convert_frame too.
TEST(CInterface, ConvertsEveryPairIntoStridedPlanes)
{
    const int32_t cases[][6] = {{uyvy, i420, 84, 70, CHROMAFOLD_MODE_CLIP, 24}, {yuy2, nv12, 40, 1, 1, 0},
                                {uyvy, nv12, 46, 67, 1, 6},  {yuy2, i420, 718, 33, 0, 2},
                                {v210, i420, 1282, 36, 0, 4}, {v210, nv12, 46, 67, 1, 0},
                                {v210, i010, 84, 70, 0, 64}, {v210, p010, 50, 2, 1, 12},
                                {uyvy, i420, 40, 20, CHROMAFOLD_MODE_CLIP, 8}};
    for (const auto& [source, output, width, height, mode, gap] : cases) {
        chromafold_geometry g;
        ASSERT_EQ(chromafold_frame_geometry(width, height, mode, &g), 0);
        const ptrdiff_t stride = ptrdiff_t(chromafold_source_row_bytes(source, width)) + gap;
        const std::vector<uint8_t> frame = random_bytes(uint64_t(width * height), row_bytes(source, width) * height);
        const std::vector<uint8_t> src = strided_source(source, frame, width, std::min(height, g.dst_height),
                                                        std::min(width, g.dst_width), stride);
        const ptrdiff_t extra[3] = {64, 40, 8};
        StridedPlanes p = strided_planes(output, g.dst_width, g.dst_height, extra, 0x77), q = p;
        const chromafold_planes planes = p.planes();
        EXPECT_EQ(chromafold_convert(&g, source, src.data(), stride, output, &planes), 0) << source << output;
        EXPECT_EQ(check_planes(p, model_frame(source, output, frame, g)), "") << source << " into " << output;
        if (source == uyvy && output == i420) {
            EXPECT_EQ(chromafold_convert_frame(&g, src.data(), stride, q.start(0), q.stride[0], q.start(1),
                                               q.stride[1], q.start(2), q.stride[2]),
                      0);
            EXPECT_EQ(q.block, p.block);
        }
    }
}

// Every way a call can be wrong leaves every output byte as it was.
TEST(CInterface, RefusedConversionsWriteNothing)
{
    struct Call {
        chromafold_geometry g;
        int32_t source, output;
        const uint8_t* src;
        ptrdiff_t src_stride;
        chromafold_planes planes;
        bool null_geometry, null_planes;
    };
    chromafold_geometry base;
    ASSERT_EQ(chromafold_frame_geometry(40, 35, CHROMAFOLD_MODE_PADDING, &base), 0);
    const std::vector<uint8_t> src = random_bytes(3, 35 * 128);
    struct Case {
        const char* name;
        int32_t source, output;
        void (*spoil)(Call&);
    };
    const Case cases[] = {
        {"null geometry", uyvy, i420, [](Call& c) { c.null_geometry = true; }},
        {"null planes", uyvy, i420, [](Call& c) { c.null_planes = true; }},
        {"null source", uyvy, i420, [](Call& c) { c.src = nullptr; }},
        {"null luma", uyvy, i420, [](Call& c) { c.planes.data[0] = nullptr; }},
        {"null U", uyvy, i420, [](Call& c) { c.planes.data[1] = nullptr; }},
        {"null V", uyvy, i420, [](Call& c) { c.planes.data[2] = nullptr; }},
        {"unknown source", uyvy, i420, [](Call& c) { c.source = 3; }},
        {"negative source", uyvy, i420, [](Call& c) { c.source = -1; }},
        {"unknown output", uyvy, i420, [](Call& c) { c.output = 4; }},
        {"UYVY into I010", uyvy, i420, [](Call& c) { c.output = i010; }},
        {"YUY2 into P010", yuy2, nv12, [](Call& c) { c.output = p010; }},
        {"negative source stride", uyvy, i420, [](Call& c) { c.src_stride = -c.src_stride; }},
        {"negative luma stride", uyvy, i420, [](Call& c) { c.planes.stride[0] = -1; }},
        {"source stride below a row", uyvy, i420, [](Call& c) { c.src_stride = 79; }},
        // 40 pixels of v210 are held in 112 bytes, but a row is 128.
        {"v210 source stride below its padded row", v210, i420, [](Call& c) { c.src_stride = 127; }},
        {"luma stride below a row", uyvy, i420, [](Call& c) { c.planes.stride[0] = 47; }},
        {"U stride below a row", uyvy, i420, [](Call& c) { c.planes.stride[1] = 23; }},
        {"V stride below a row", uyvy, i420, [](Call& c) { c.planes.stride[2] = 23; }},
        {"NV12 UV stride below a row", yuy2, nv12, [](Call& c) { c.planes.stride[1] = 47; }},
        {"I010 luma stride below a row", v210, i010, [](Call& c) { c.planes.stride[0] = 95; }},
        {"P010 UV stride below a row", v210, p010, [](Call& c) { c.planes.stride[1] = 95; }},
        {"luma stride past the address space", uyvy, i420, [](Call& c) { c.planes.stride[0] = PTRDIFF_MAX; }},
        // 32 rows of 24 bytes, 32 apart, need 1016 bytes, and only 1015 are left.
        {"U plane past the end of the address space", uyvy, i420, [](Call& c) { c.planes.data[1] = end_of_memory(1015); }},
        // A source of one row of 80 bytes, or of seven v210 groups, 112 bytes,
        // with one byte fewer left.
        {"one-row source past the end of the address space", uyvy, i420,
         [](Call& c) { c.g = {40, 1, 48, 32, 80, 2304}, c.src = end_of_memory(79); }},
        {"one-row v210 source past the end", v210, i420, [](Call& c) { c.g = {40, 1, 48, 32, 80, 2304}, c.src = end_of_memory(111); }},
        // Clipped to 32 pixels, only 64 bytes of each row are read, but the
        // stride must still cover the whole 80-byte row.
        {"source stride below a row that is clipped", uyvy, i420, [](Call& c) { c.g = {40, 35, 32, 32, 2800, 1536}, c.src_stride = 70; }},
        {"odd width", uyvy, i420, [](Call& c) { c.g.src_width = 41; }},
        {"zero width", uyvy, i420, [](Call& c) { c.g = {0, 35, 0, 64, 0, 0}; }},
        {"zero height", uyvy, i420, [](Call& c) { c.g = {40, 0, 48, 0, 0, 0}; }},
        {"width beyond 32768", uyvy, i420, [](Call& c) { c.g = {32770, 35, 32784, 64, 2293900, 3147264}; }},
        {"output wider than either mode", uyvy, i420, [](Call& c) { c.g.dst_width = 64; }},
        {"output taller than either mode", uyvy, i420, [](Call& c) { c.g.dst_height = 96; }},
        {"source bytes wrong", uyvy, i420, [](Call& c) { c.g.src_bytes += 1; }},
        {"output bytes wrong", uyvy, i420, [](Call& c) { c.g.dst_bytes -= 1; }},
        {"clipped size with padded bytes", uyvy, i420, [](Call& c) { c.g.dst_width = c.g.dst_height = 32; }},
    };
    const ptrdiff_t extra[3] = {16, 8, 8};
    const auto convert = [](const Call& c) {
        return chromafold_convert(c.null_geometry ? nullptr : &c.g, c.source, c.src, c.src_stride, c.output,
                                  c.null_planes ? nullptr : &c.planes);
    };
    for (const auto& [name, source, output, spoil] : cases) {
        // The call before it is spoilt converts, so that it is refused for its flaw alone.
        StridedPlanes p = strided_planes(output, base.dst_width, base.dst_height, extra, 0x5A), scratch = p;
        Call c{base, source, output, src.data(), ptrdiff_t(chromafold_source_row_bytes(source, 40)), scratch.planes(),
               false, false};
        ASSERT_EQ(convert(c), 0) << name << " refused before it is spoilt";
        c.planes = p.planes();
        spoil(c);
        EXPECT_EQ(convert(c), -1) << name;
        EXPECT_EQ(p.block, std::vector<uint8_t>(p.block.size(), 0x5A)) << name << " wrote into the output";
    }
}

} // namespace
