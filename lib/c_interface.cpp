#include <chromafold/chromafold.h>
#include "lib/formats.h"
#include "lib/frame_walk.h"
#include "lib/geometry.h"
#include "lib/kernel_ladder.h"

#include <algorithm>
#include <cstdint>

namespace {

#define CHROMAFOLD_TEXT(number) #number
#define CHROMAFOLD_VERSION_TEXT(major, minor, patch)                                             \
    CHROMAFOLD_TEXT(major) "." CHROMAFOLD_TEXT(minor) "." CHROMAFOLD_TEXT(patch)
constexpr char version_text[] = CHROMAFOLD_VERSION_TEXT(
    CHROMAFOLD_VERSION_MAJOR, CHROMAFOLD_VERSION_MINOR, CHROMAFOLD_VERSION_PATCH);
#undef CHROMAFOLD_VERSION_TEXT
#undef CHROMAFOLD_TEXT

// Settings of a frame of at least one pixel, an even width, and a known mode.
bool valid_settings(int32_t width, int32_t height, int32_t mode)
{
    return width > 0 && width <= 32768 && width % 2 == 0 && height > 0 && height <= 32768 &&
           (mode == CHROMAFOLD_MODE_CLIP || mode == CHROMAFOLD_MODE_PADDING || mode == CHROMAFOLD_MODE_KEEP);
}

bool same(const chromafold_geometry& a, const chromafold_geometry& b)
{
    return a.src_width == b.src_width && a.src_height == b.src_height &&
           a.dst_width == b.dst_width && a.dst_height == b.dst_height &&
           a.src_bytes == b.src_bytes && a.dst_bytes == b.dst_bytes;
}

// A geometry is one that chromafold_frame_geometry gives for its source size,
// in some mode, and nothing else: the walk trusts its sizes.
bool valid_geometry(const chromafold_geometry& g)
{
    if (!valid_settings(g.src_width, g.src_height, CHROMAFOLD_MODE_CLIP))
        return false;
    for (int32_t mode : {CHROMAFOLD_MODE_CLIP, CHROMAFOLD_MODE_PADDING, CHROMAFOLD_MODE_KEEP})
        if (same(g, frame_geometry(g.src_width, g.src_height, mode)))
            return true;
    return false;
}

// A plane of `rows` rows of `length` bytes, `stride` apart from `start`: the
// stride covers the row, and the last row ends within the address space, so
// that every row address can be computed.
bool valid_plane(const void* start, ptrdiff_t stride, ptrdiff_t length, int32_t rows)
{
    if (!start || stride < length)
        return false;
    if (rows == 0 || length == 0)
        return true;
    if (rows > 1 && stride > (PTRDIFF_MAX - length) / (rows - 1))
        return false;
    const ptrdiff_t extent = ptrdiff_t(rows - 1) * stride + length;
    return uintptr_t(start) <= UINTPTR_MAX - uintptr_t(extent);
}

} // namespace

const char* chromafold_version(void)
{
    return version_text;
}

const char* chromafold_kernel_name(void)
{
    return best_instruction_set();
}

int chromafold_frame_geometry(int32_t width, int32_t height, int32_t mode,
                              chromafold_geometry* geometry)
{
    if (!geometry || !valid_settings(width, height, mode))
        return -1;
    *geometry = frame_geometry(width, height, mode);
    return 0;
}

size_t chromafold_row_bytes(int32_t format, int32_t plane, int32_t width)
{
    if (!known_format(format) || !valid_settings(width, 1, CHROMAFOLD_MODE_CLIP))
        return 0;
    return size_t(row_bytes(format_info(format), plane, width));
}

int chromafold_format_info(int32_t format, chromafold_format_description* info)
{
    if (!info || !known_format(format))
        return -1;
    const Format f = format_info(format);
    *info = {f.name, f.subsampled ? 420 : 422, f.depth, plane_count(f), word_shift(f)};
    return 0;
}

int chromafold_convert_planes(const chromafold_geometry* geometry, int32_t scan, int32_t source_format,
                              const chromafold_source_planes* source, int32_t output_format,
                              const chromafold_planes* output)
{
    const int32_t pair = pair_index(source_format, output_format);
    if (!geometry || !source || !output || pair < 0 || !valid_geometry(*geometry) ||
        (scan != CHROMAFOLD_SCAN_INTERLACED && scan != CHROMAFOLD_SCAN_PROGRESSIVE))
        return -1;
    const chromafold_geometry& g = *geometry;
    const Format in = format_info(source_format), out = format_info(output_format);
    // A 4:2:0 frame's fields each hold whole pairs of chroma rows.
    if (in.subsampled && g.src_height % 4 != 0)
        return -1;
    // Only the rows and columns the output takes are read, but every source
    // row must hold all its pixels. Into 4:2:2, the last rows within the
    // output read the chroma rows after them, even past a clipped output.
    const int32_t taken = std::min(g.src_height, g.dst_height), min_width = std::min(g.src_width, g.dst_width);
    const int32_t chroma_read = taken == 0 ? 0
                                : std::min(taken / 2 + (scan == CHROMAFOLD_SCAN_INTERLACED ? 2 : 1), g.src_height / 2);
    for (int32_t p = 0; p < plane_count(in); ++p)
        if (source->stride[p] < row_bytes(in, p, g.src_width) ||
            !valid_plane(source->data[p], source->stride[p], bytes_holding(in, p, min_width),
                         p > 0 && in.subsampled ? chroma_read : taken))
            return -1;
    for (int32_t p = 0; p < plane_count(out); ++p)
        if (!valid_plane(output->data[p], output->stride[p], row_bytes(out, p, g.dst_width),
                         plane_rows(out, p, g.dst_height)))
            return -1;

    convert_frame_with(chosen_kernel(pair), frame_layout(g, scan, source_format, *source, output_format, *output));
    return 0;
}
