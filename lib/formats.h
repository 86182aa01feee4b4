#pragma once

#include <chromafold/chromafold.h>

#include <array>
#include <cstddef>
#include <cstdint>

// Every layout the library knows, named once, and every pair of layouts it
// converts, derived from that list. Tables of kernels, ladders and tests are
// indexed by a pair's place in `pairs`.

enum class Layout {
    uyvy,       // packed quads U Y0 V Y1
    yuy2,       // packed quads Y0 U Y1 V
    v210,       // packed groups of six 10-bit pixels in four 32-bit words
    planar,     // Y, U and V planes
    semi_planar // a Y plane and one plane of U, V pairs
};

struct Format {
    int32_t code; // CHROMAFOLD_FORMAT_
    const char* name;
    Layout layout;
    int32_t depth;   // bits per sample: 8 or 10, held in 16-bit words in the planar layouts
    bool subsampled; // 4:2:0: one chroma row for every two luma rows
};

constexpr Format formats[] = {
    {CHROMAFOLD_FORMAT_UYVY, "uyvy", Layout::uyvy, 8, false},
    {CHROMAFOLD_FORMAT_YUY2, "yuy2", Layout::yuy2, 8, false},
    {CHROMAFOLD_FORMAT_V210, "v210", Layout::v210, 10, false},
    {CHROMAFOLD_FORMAT_I422, "i422", Layout::planar, 8, false},
    {CHROMAFOLD_FORMAT_NV16, "nv16", Layout::semi_planar, 8, false},
    {CHROMAFOLD_FORMAT_I422_10, "i422_10", Layout::planar, 10, false},
    {CHROMAFOLD_FORMAT_P210, "p210", Layout::semi_planar, 10, false},
    {CHROMAFOLD_FORMAT_I420, "i420", Layout::planar, 8, true},
    {CHROMAFOLD_FORMAT_NV12, "nv12", Layout::semi_planar, 8, true},
    {CHROMAFOLD_FORMAT_I010, "i010", Layout::planar, 10, true},
    {CHROMAFOLD_FORMAT_P010, "p010", Layout::semi_planar, 10, true},
};

// The format of a code; a format of code -1 for an unknown one.
constexpr Format format_info(int32_t code)
{
    for (const Format& f : formats)
        if (f.code == code)
            return f;
    return {-1, "unknown", Layout::planar, 0, false};
}

constexpr bool known_format(int32_t code)
{
    return format_info(code).code >= 0;
}

constexpr bool packed(const Format& f)
{
    return f.layout == Layout::uyvy || f.layout == Layout::yuy2 || f.layout == Layout::v210;
}

constexpr int32_t plane_count(const Format& f)
{
    return packed(f) ? 1 : f.layout == Layout::semi_planar ? 2 : 3;
}

// Bytes per sample in a planar layout: 1, or a 16-bit word for 10 bits.
constexpr ptrdiff_t sample_bytes(const Format& f)
{
    return f.depth > 8 ? 2 : 1;
}

// Where a 10-bit sample lies in its 16-bit word: bits 0-9 of a planar layout,
// bits 6-15 of a semi-planar one.
constexpr int32_t word_shift(const Format& f)
{
    return f.layout == Layout::semi_planar && f.depth > 8 ? 6 : 0;
}

// Bytes of one contiguous row of `plane` at an even `width`, 0 for a plane the
// format lacks. A v210 row is padded to a multiple of 128 bytes.
constexpr ptrdiff_t row_bytes(const Format& f, int32_t plane, int32_t width)
{
    if (plane < 0 || plane >= plane_count(f))
        return 0;
    if (f.layout == Layout::v210)
        return ptrdiff_t(width + 47) / 48 * 128;
    if (packed(f))
        return ptrdiff_t(width) * 2;
    const ptrdiff_t samples = plane == 0 || f.layout == Layout::semi_planar ? width : width / 2;
    return samples * sample_bytes(f);
}

// Bytes of a row of `plane` that hold pixels 0 to width - 1: of v210, the
// whole groups of six pixels, 16 bytes each.
constexpr ptrdiff_t bytes_holding(const Format& f, int32_t plane, int32_t width)
{
    return f.layout == Layout::v210 ? ptrdiff_t(width + 5) / 6 * 16 : row_bytes(f, plane, width);
}

// Rows of `plane` in a frame of `rows` rows: half as many chroma rows in 4:2:0.
constexpr int32_t plane_rows(const Format& f, int32_t plane, int32_t rows)
{
    return plane > 0 && f.subsampled ? rows / 2 : rows;
}

struct Pair {
    int32_t source, output;
};

constexpr size_t formats_subsampled(bool subsampled)
{
    size_t n = 0;
    for (const Format& f : formats)
        n += f.subsampled == subsampled;
    return n;
}

// Every 4:2:2 layout into every 4:2:0 one, and every 4:2:0 layout back into
// every 4:2:2 one.
constexpr auto make_pairs()
{
    std::array<Pair, 2 * formats_subsampled(false) * formats_subsampled(true)> list{};
    size_t n = 0;
    for (bool subsampled_source : {false, true})
        for (const Format& source : formats)
            for (const Format& output : formats)
                if (source.subsampled == subsampled_source && output.subsampled != subsampled_source)
                    list[n++] = {source.code, output.code};
    return list;
}

// A 4:2:0 frame back into 4:2:2: the chroma of every row from the chroma rows
// of its field.
constexpr bool unfolds(Pair pair)
{
    return format_info(pair.source).subsampled;
}

constexpr auto pairs = make_pairs();
constexpr int32_t pair_count = int32_t(pairs.size());

// The place of a pair in `pairs`, or -1 for a pair not converted.
constexpr int32_t pair_index(int32_t source, int32_t output)
{
    for (int32_t p = 0; p < pair_count; ++p)
        if (pairs[p].source == source && pairs[p].output == output)
            return p;
    return -1;
}
