#include <chromafold/chromafold.h>
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <span>
#include <tuple>

namespace {

constexpr int32_t interlaced = CHROMAFOLD_SCAN_INTERLACED, progressive = CHROMAFOLD_SCAN_PROGRESSIVE;
constexpr int32_t clip = CHROMAFOLD_MODE_CLIP, padding = CHROMAFOLD_MODE_PADDING, keep = CHROMAFOLD_MODE_KEEP;

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
        {720, 486, clip, {720, 486, 720, 480, 699840, 518400}},
        {720, 486, padding, {720, 486, 720, 512, 699840, 552960}},
        {720, 486, keep, {720, 486, 720, 484, 699840, 522720}},
        {1920, 1080, padding, {1920, 1080, 1920, 1088, 4147200, 3133440}},
        {1920, 1080, keep, {1920, 1080, 1920, 1080, 4147200, 3110400}},
        {14, 40, clip, {14, 40, 0, 32, 1120, 0}},
        {2, 1, padding, {2, 1, 16, 32, 4, 768}},
        {2, 3, keep, {2, 3, 2, 0, 12, 0}},
        {722, 7, keep, {722, 7, 722, 4, 10108, 4332}},
        {32768, 32768, padding, {32768, 32768, 32768, 32768, 2147483648u, 1610612736u}},
        {-2, 486, 0, {}}, {0, 486, 0, {}}, {721, 486, 2, {}}, {32770, 486, 0, {}}, {720, -1, 0, {}},
        {720, 0, 2, {}}, {720, 32769, 0, {}}, {720, 486, -1, {}}, {720, 486, 3, {}}, {INT32_MIN, 486, 1, {}},
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

// The row of every plane of every layout, and of the sources of
// chromafold_convert, which keep their own codes.
TEST(CInterface, RowBytes)
{
    const int32_t cases[][4] = {
        {uyvy, 0, 720, 1440},    {yuy2, 0, 2, 4},          {uyvy, 0, 32768, 65536},  {uyvy, 1, 720, 0},
        {v210, 0, 720, 1920},    {v210, 0, 1920, 5120},    {v210, 0, 48, 128},       {v210, 0, 50, 256},
        {v210, 0, 32768, 87424}, {i422, 0, 720, 720},      {i422, 2, 720, 360},      {nv16, 1, 720, 720},
        {nv16, 2, 720, 0},       {i422_10, 1, 722, 722},   {p210, 1, 720, 1440},     {i420, 1, 720, 360},
        {nv12, 1, 720, 720},     {i010, 0, 720, 1440},     {p010, 1, 720, 1440},     {p010, 3, 720, 0},
        {i420, -1, 720, 0},      {3, 0, 720, 0},           {23, 0, 720, 0},          {36, 0, 720, 0},
        {uyvy, 0, 721, 0},       {v210, 0, 0, 0},          {i420, 0, 32770, 0},      {nv12, 0, -2, 0}};
    for (const auto& [format, plane, width, bytes] : cases)
        EXPECT_EQ(chromafold_row_bytes(format, plane, width), size_t(bytes)) << format << ", " << plane << ", " << width;
    const int32_t sources[][3] = {{CHROMAFOLD_SOURCE_UYVY, 720, 1440}, {CHROMAFOLD_SOURCE_V210, 50, 256},
                                  {CHROMAFOLD_SOURCE_YUY2, 32770, 0}, {3, 720, 0}, {uyvy, 720, 0}};
    for (const auto& [format, width, bytes] : sources)
        EXPECT_EQ(chromafold_source_row_bytes(format, width), size_t(bytes)) << format << ", " << width;
}

// The rung in use is one the header names, and plain C where CHROMAFOLD_KERNEL
// says so (ctest runs this suite with it so).
TEST(CInterface, KernelName)
{
    const std::string name = chromafold_kernel_name();
    EXPECT_TRUE(name == "c" || name == "sse2" || name == "ssse3" || name == "avx2" || name == "avx512" || name == "neon")
        << name;
    const char* cap = std::getenv("CHROMAFOLD_KERNEL");
    if (cap && std::string(cap) == "c") {
        EXPECT_EQ(name, "c");
    }
}

// What each format is; every other code, and a null description, refused
// with nothing written.
TEST(CInterface, FormatInfo)
{
    struct Case {
        int32_t format;
        chromafold_format_description want; // name null: refused
    };
    const Case cases[] = {
        {uyvy, {"uyvy", 422, 8, 1, 0}},     {yuy2, {"yuy2", 422, 8, 1, 0}},
        {v210, {"v210", 422, 10, 1, 0}},    {i422, {"i422", 422, 8, 3, 0}},
        {nv16, {"nv16", 422, 8, 2, 0}},     {i422_10, {"i422_10", 422, 10, 3, 0}},
        {p210, {"p210", 422, 10, 2, 6}},    {i420, {"i420", 420, 8, 3, 0}},
        {nv12, {"nv12", 420, 8, 2, 0}},     {i010, {"i010", 420, 10, 3, 0}},
        {p010, {"p010", 420, 10, 2, 6}},    {CHROMAFOLD_SOURCE_UYVY, {}},
        {CHROMAFOLD_OUTPUT_P010, {}},       {15, {}},
        {23, {}},                           {31, {}},
        {36, {}},                           {-1, {}},
        {INT32_MIN, {}},
    };
    for (const auto& [format, want] : cases) {
        chromafold_format_description d;
        std::memset(&d, 0xA5, sizeof d);
        const chromafold_format_description before = d;
        EXPECT_EQ(chromafold_format_info(format, &d), want.name ? 0 : -1) << format;
        if (!want.name) {
            EXPECT_EQ(std::memcmp(&d, &before, sizeof d), 0) << format;
            continue;
        }
        EXPECT_STREQ(d.name, want.name);
        EXPECT_EQ(std::tuple(d.subsampling, d.depth, d.planes, d.sample_shift),
                  std::tuple(want.subsampling, want.depth, want.planes, want.sample_shift))
            << want.name;
    }
    EXPECT_EQ(chromafold_format_info(uyvy, nullptr), -1);
}

// Every pair into planes whose rows lie further apart than they are long, each
// by its own amount, from sources with gaps of their own: each mode and scan
// over the pairs in turn, down to outputs of no rows and sources of one and
// two rows (of four from 4:2:0), v210 rows that end in part of a group, and
// clipped outputs whose last rows read the chroma rows past them.
// chromafold_convert and chromafold_convert_frame give the same bytes as the
// new function for their pairs.
TEST(CInterface, ConvertsEveryPairIntoStridedPlanes)
{
    const int32_t sizes[][3] = {{84, 70, clip}, {40, 1, padding}, {46, 67, padding}, {718, 33, keep},
                                {1282, 36, clip}, {50, 2, padding}, {40, 20, clip}, {722, 7, keep}};
    const int32_t sizes_420[][3] = {{84, 100, clip}, {40, 4, padding}, {46, 68, padding}, {718, 36, keep},
                                    {1282, 36, clip}, {50, 8, padding}, {40, 20, clip}, {722, 8, keep}};
    int n = 0;
    for (bool back : {false, true})
        for (int32_t source : back ? std::span<const int32_t>(half_formats) : std::span<const int32_t>(full_formats))
            for (int32_t output : back ? std::span<const int32_t>(full_formats) : std::span<const int32_t>(half_formats)) {
                // Chosen apart from its indexing: GCC 12 with the sanitizers
                // compiled `(back ? sizes_420 : sizes)[n % 8]` to read n from a
                // stack slot it had not written, failing one run in ten.
                const int32_t(&table)[8][3] = back ? sizes_420 : sizes;
                const auto [width, height, mode] = table[n % 8];
                const int32_t scan = n++ / 8 % 2;
                chromafold_geometry g;
                ASSERT_EQ(chromafold_frame_geometry(width, height, mode, &g), 0);
                const std::vector<uint8_t> frame = random_bytes(uint64_t(n), frame_bytes(source, width, height));
                const ptrdiff_t gaps[3] = {24, 4, 12}, extra[3] = {64, 40, 8};
                const StridedSource src = strided_source(source, frame, width, height, rows_read(source, scan, g).data(),
                                                         std::min(width, g.dst_width), gaps);
                const chromafold_source_planes source_planes = src.planes();
                StridedPlanes p = strided_planes(output, g.dst_width, g.dst_height, extra, 0x77), q = p;
                const chromafold_planes planes = p.planes(), legacy = q.planes();
                EXPECT_EQ(chromafold_convert_planes(&g, scan, source, &source_planes, output, &planes), 0);
                EXPECT_EQ(check_planes(p, model_frame(source, output, scan, frame, g)), "")
                    << source << " into " << output << ", scan " << scan << ", " << width << "x" << height;
                const bool converts = source <= v210 && (source == v210 || output <= nv12);
                if (converts && scan == interlaced) {
                    EXPECT_EQ(chromafold_convert(&g, source - uyvy, src.block[0].data(), src.stride[0],
                                                 output - i420, &legacy),
                              0);
                    EXPECT_EQ(q.block, p.block) << source << " into " << output;
                }
            }
    chromafold_geometry g;
    ASSERT_EQ(chromafold_frame_geometry(40, 36, padding, &g), 0);
    const std::vector<uint8_t> frame = random_bytes(3, frame_bytes(uyvy, 40, 36));
    const ptrdiff_t extra[3] = {8, 4, 2};
    StridedPlanes p = strided_planes(i420, g.dst_width, g.dst_height, extra, 0), q = p;
    const chromafold_source_planes source{{frame.data()}, {80}};
    const chromafold_planes planes = p.planes();
    ASSERT_EQ(chromafold_convert_planes(&g, interlaced, uyvy, &source, i420, &planes), 0);
    EXPECT_EQ(chromafold_convert_frame(&g, frame.data(), 80, q.start(0), q.stride[0], q.start(1), q.stride[1],
                                       q.start(2), q.stride[2]),
              0);
    EXPECT_EQ(q.block, p.block);
}

// Back into 4:2:2, a vertical chroma ramp of 12 a 4:2:0 row from 20 becomes,
// row by row, the linear interpolation at the rows where each field's chroma
// is sited, its first and last rows repeating the outer chroma rows.
TEST(CInterface, ChromaRampBackInto422)
{
    chromafold_geometry g;
    ASSERT_EQ(chromafold_frame_geometry(2, 24, keep, &g), 0);
    uint8_t luma[2 * 24], u[12], v[12], uyvy_rows[4 * 24];
    for (int k = 0; k < 12; ++k)
        u[k] = v[k] = uint8_t(20 + 12 * k);
    const chromafold_source_planes source{{luma, u, v}, {2, 1, 1}};
    const chromafold_planes output{{uyvy_rows}, {4}};
    ASSERT_EQ(chromafold_convert_planes(&g, interlaced, i420, &source, uyvy, &output), 0);
    const int want[24] = {20, 32, 29, 35, 41, 47, 53, 59, 65, 71, 77, 83,
                          89, 95, 101, 107, 113, 119, 125, 131, 137, 143, 140, 152};
    for (int row = 0; row < 24; ++row)
        EXPECT_EQ(uyvy_rows[4 * row], want[row]) << "row " << row;
}

// Every way a call can be wrong leaves every output byte as it was.
TEST(CInterface, RefusedConversionsWriteNothing)
{
    struct Call {
        chromafold_geometry g;
        int32_t scan, source, output;
        chromafold_source_planes src;
        chromafold_planes planes;
        bool null_geometry, null_source, null_planes, legacy;
    };
    chromafold_geometry base;
    ASSERT_EQ(chromafold_frame_geometry(40, 36, padding, &base), 0);
    struct Case {
        const char* name;
        int32_t source, output;
        void (*spoil)(Call&);
    };
    const Case cases[] = {
        {"null geometry", uyvy, i420, [](Call& c) { c.null_geometry = true; }},
        {"null source planes", i422, nv12, [](Call& c) { c.null_source = true; }},
        {"null planes", uyvy, i420, [](Call& c) { c.null_planes = true; }},
        {"null source", uyvy, i420, [](Call& c) { c.src.data[0] = nullptr; }},
        {"null source V plane", i422, i420, [](Call& c) { c.src.data[2] = nullptr; }},
        {"null source UV plane", p210, p010, [](Call& c) { c.src.data[1] = nullptr; }},
        {"null luma", uyvy, i420, [](Call& c) { c.planes.data[0] = nullptr; }},
        {"null U", uyvy, i420, [](Call& c) { c.planes.data[1] = nullptr; }},
        {"null V", v210, i010, [](Call& c) { c.planes.data[2] = nullptr; }},
        {"unknown scan", uyvy, i420, [](Call& c) { c.scan = 2; }},
        {"negative scan", uyvy, i420, [](Call& c) { c.scan = -1; }},
        {"unknown source", uyvy, i420, [](Call& c) { c.source = 23; }},
        {"unknown output", uyvy, i420, [](Call& c) { c.output = 36; }},
        {"4:2:2 into 4:2:2", uyvy, i420, [](Call& c) { c.output = i422; }},
        {"4:2:0 into 4:2:0", uyvy, i420, [](Call& c) { c.source = i420; }},
        {"the codes of chromafold_convert", uyvy, i420, [](Call& c) { c.source = 0, c.output = 0; }},
        {"UYVY into I010 by chromafold_convert", uyvy, i420, [](Call& c) { c.legacy = true, c.output = i010; }},
        {"YUY2 into P010 by chromafold_convert", yuy2, nv12, [](Call& c) { c.legacy = true, c.output = p010; }},
        {"I422 by chromafold_convert", i422, i420, [](Call& c) { c.legacy = true; }},
        {"negative source stride", uyvy, i420, [](Call& c) { c.src.stride[0] = -c.src.stride[0]; }},
        {"negative luma stride", uyvy, i420, [](Call& c) { c.planes.stride[0] = -1; }},
        {"source stride below a row", uyvy, i420, [](Call& c) { c.src.stride[0] = 79; }},
        // 40 pixels of v210 are held in 112 bytes, but a row is 128.
        {"v210 source stride below its padded row", v210, i420, [](Call& c) { c.src.stride[0] = 127; }},
        {"source U stride below a row", i422, nv12, [](Call& c) { c.src.stride[1] = 19; }},
        {"source P210 UV stride below a row", p210, i010, [](Call& c) { c.src.stride[1] = 79; }},
        {"luma stride below a row", uyvy, i420, [](Call& c) { c.planes.stride[0] = 47; }},
        {"U stride below a row", uyvy, i420, [](Call& c) { c.planes.stride[1] = 23; }},
        {"V stride below a row", nv16, i420, [](Call& c) { c.planes.stride[2] = 23; }},
        {"NV12 UV stride below a row", yuy2, nv12, [](Call& c) { c.planes.stride[1] = 47; }},
        {"I010 luma stride below a row", v210, i010, [](Call& c) { c.planes.stride[0] = 95; }},
        {"P010 UV stride below a row", i422_10, p010, [](Call& c) { c.planes.stride[1] = 95; }},
        {"luma stride past the address space", uyvy, i420, [](Call& c) { c.planes.stride[0] = PTRDIFF_MAX; }},
        // 32 rows of 24 bytes, 32 apart, need 1016 bytes, and only 1015 are left.
        {"U plane past the end of the address space", uyvy, i420, [](Call& c) { c.planes.data[1] = end_of_memory(1015); }},
        // 36 rows of 40 bytes, 40 apart, need 1440 bytes.
        {"source V plane past the end of the address space", i422_10, i420,
         [](Call& c) { c.src.data[2] = end_of_memory(1439); }},
        // Clipped to 128 of 136 rows, the last rows of each field read 66 of
        // the 68 chroma rows: 65 * 20 + 16 bytes, one more than are left.
        {"4:2:0 U plane short of the chroma rows past a clipped output", i420, uyvy,
         [](Call& c) { c.g = {40, 136, 32, 128, 10880, 6144}, c.src.data[1] = end_of_memory(1315); }},
        {"4:2:0 source of a height not a multiple of 4", i420, uyvy,
         [](Call& c) { c.g = {40, 34, 48, 64, 2720, 4608}; }},
        {"v210 output stride below its padded row", nv12, v210, [](Call& c) { c.planes.stride[0] = 127; }},
        {"I422 V stride below a row", i010, i422, [](Call& c) { c.planes.stride[2] = 23; }},
        // A source of one row of 80 bytes, or of seven v210 groups, 112 bytes,
        // with one byte fewer left.
        {"one-row source past the end of the address space", uyvy, i420,
         [](Call& c) { c.g = {40, 1, 48, 32, 80, 2304}, c.src.data[0] = end_of_memory(79); }},
        {"one-row v210 source past the end", v210, i420,
         [](Call& c) { c.g = {40, 1, 48, 32, 80, 2304}, c.src.data[0] = end_of_memory(111); }},
        // Clipped to 32 pixels, only 64 bytes of each row are read, but the
        // stride must still cover the whole 80-byte row.
        {"source stride below a row that is clipped", uyvy, i420,
         [](Call& c) { c.g = {40, 36, 32, 32, 2880, 1536}, c.src.stride[0] = 70; }},
        {"odd width", uyvy, i420, [](Call& c) { c.g.src_width = 41; }},
        {"zero width", uyvy, i420, [](Call& c) { c.g = {0, 36, 0, 64, 0, 0}; }},
        {"zero height", uyvy, i420, [](Call& c) { c.g = {40, 0, 48, 0, 0, 0}; }},
        {"width beyond 32768", uyvy, i420, [](Call& c) { c.g = {32770, 36, 32784, 64, 2359440, 3147264}; }},
        {"output wider than any mode", uyvy, i420, [](Call& c) { c.g.dst_width = 64; }},
        {"output taller than any mode", uyvy, i420, [](Call& c) { c.g.dst_height = 96; }},
        {"kept width with a padded height", uyvy, i420, [](Call& c) { c.g.dst_width = 40, c.g.dst_bytes = 3840; }},
        {"source bytes wrong", uyvy, i420, [](Call& c) { c.g.src_bytes += 1; }},
        {"output bytes wrong", uyvy, i420, [](Call& c) { c.g.dst_bytes -= 1; }},
        {"clipped size with padded bytes", uyvy, i420, [](Call& c) { c.g.dst_width = c.g.dst_height = 32; }},
    };
    const ptrdiff_t extra[3] = {16, 8, 8};
    const std::vector<uint8_t> pixels = random_bytes(3, 36 * 128);
    const auto convert = [](const Call& c) {
        if (c.legacy)
            return chromafold_convert(&c.g, c.source - uyvy, c.src.data[0], c.src.stride[0], c.output - i420, &c.planes);
        return chromafold_convert_planes(c.null_geometry ? nullptr : &c.g, c.scan, c.source,
                                         c.null_source ? nullptr : &c.src, c.output, c.null_planes ? nullptr : &c.planes);
    };
    for (const auto& [name, source, output, spoil] : cases) {
        // The call before it is spoilt converts, so that it is refused for its flaw alone.
        StridedPlanes p = strided_planes(output, base.dst_width, base.dst_height, extra, 0x5A), scratch = p;
        Call c{base, interlaced, source, output, {}, scratch.planes(), false, false, false, false};
        for (int k = 0; k < 3; ++k)
            if (chromafold_row_bytes(source, k, 40))
                c.src.data[k] = pixels.data(), c.src.stride[k] = ptrdiff_t(chromafold_row_bytes(source, k, 40));
        ASSERT_EQ(convert(c), 0) << name << " refused before it is spoilt";
        c.planes = p.planes();
        spoil(c);
        EXPECT_EQ(convert(c), -1) << name;
        EXPECT_EQ(p.block, std::vector<uint8_t>(p.block.size(), 0x5A)) << name << " wrote into the output";
    }
}

} // namespace
