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

// The settings the command line converts: a frame of at least one pixel, an
// even width, and one of the two modes.
bool valid_settings(int32_t width, int32_t height, int32_t mode)
{
    return width > 0 && width <= 32768 && width % 2 == 0 && height > 0 && height <= 32768 &&
           (mode == CHROMAFOLD_MODE_CLIP || mode == CHROMAFOLD_MODE_PADDING);
}

bool same(const chromafold_geometry& a, const chromafold_geometry& b)
{
    return a.src_width == b.src_width && a.src_height == b.src_height &&
           a.dst_width == b.dst_width && a.dst_height == b.dst_height &&
           a.src_bytes == b.src_bytes && a.dst_bytes == b.dst_bytes;
}

// A geometry is one that chromafold_frame_geometry gives for its source size,
// in either mode, and nothing else: the walk trusts its sizes.
bool valid_geometry(const chromafold_geometry& g)
{
    if (!valid_settings(g.src_width, g.src_height, CHROMAFOLD_MODE_CLIP))
        return false;
    return same(g, frame_geometry(g.src_width, g.src_height, CHROMAFOLD_MODE_CLIP)) ||
           same(g, frame_geometry(g.src_width, g.src_height, CHROMAFOLD_MODE_PADDING));
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

size_t chromafold_source_row_bytes(int32_t source_format, int32_t width)
{
    if (source_format < 0 || source_format >= source_formats ||
        !valid_settings(width, 1, CHROMAFOLD_MODE_CLIP))
        return 0;
    return ten_bit_source(source_format) ? size_t(width + 47) / 48 * 128 : size_t(width) * 2;
}

int chromafold_convert(const chromafold_geometry* geometry, int32_t source_format,
                       const uint8_t* src, ptrdiff_t src_stride, int32_t output_format,
                       const chromafold_planes* output)
{
    if (!geometry || !output || !pair_converted(source_format, output_format) ||
        !valid_geometry(*geometry))
        return -1;
    const chromafold_geometry& g = *geometry;
    const chromafold_planes& planes = *output;
    // Only the rows and columns the output takes are read, but every row must
    // hold all its pixels.
    const int32_t min_width = std::min(g.src_width, g.dst_width);
    const ptrdiff_t bytes = sample_bytes(output_format);
    const bool interleaved = interleaved_chroma(output_format);
    const ptrdiff_t chroma_length = (interleaved ? g.dst_width : g.dst_width / 2) * bytes;
    if (src_stride < ptrdiff_t(chromafold_source_row_bytes(source_format, g.src_width)) ||
        !valid_plane(src, src_stride, source_bytes_read(source_format, min_width),
                     std::min(g.src_height, g.dst_height)) ||
        !valid_plane(planes.data[0], planes.stride[0], g.dst_width * bytes, g.dst_height) ||
        !valid_plane(planes.data[1], planes.stride[1], chroma_length, g.dst_height / 2) ||
        (!interleaved &&
         !valid_plane(planes.data[2], planes.stride[2], chroma_length, g.dst_height / 2)))
        return -1;

    convert_frame_with(chosen_kernel(source_format, output_format),
                       frame_layout(g, source_format, src, src_stride, output_format, planes));
    return 0;
}

int chromafold_convert_frame(const chromafold_geometry* geometry, const uint8_t* src,
                             ptrdiff_t src_stride, uint8_t* y, ptrdiff_t y_stride, uint8_t* u,
                             ptrdiff_t u_stride, uint8_t* v, ptrdiff_t v_stride)
{
    const chromafold_planes planes{{y, u, v}, {y_stride, u_stride, v_stride}};
    return chromafold_convert(geometry, CHROMAFOLD_SOURCE_UYVY, src, src_stride,
                              CHROMAFOLD_OUTPUT_I420, &planes);
}
