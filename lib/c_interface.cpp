#include <chromafold/chromafold.h>
#include "lib/frame_walk.h"
#include "lib/geometry.h"

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
    return chosen_kernel().instruction_set;
}

int chromafold_frame_geometry(int32_t width, int32_t height, int32_t mode,
                              chromafold_geometry* geometry)
{
    if (!geometry || !valid_settings(width, height, mode))
        return -1;
    *geometry = frame_geometry(width, height, mode);
    return 0;
}

int chromafold_convert_frame(const chromafold_geometry* geometry, const uint8_t* src,
                             ptrdiff_t src_stride, uint8_t* y, ptrdiff_t y_stride, uint8_t* u,
                             ptrdiff_t u_stride, uint8_t* v, ptrdiff_t v_stride)
{
    if (!geometry || !valid_geometry(*geometry))
        return -1;
    const chromafold_geometry& g = *geometry;
    // Only the rows and columns the output takes are read.
    const int32_t source_rows = std::min(g.src_height, g.dst_height);
    const ptrdiff_t source_length = ptrdiff_t(std::min(g.src_width, g.dst_width)) * 2;
    if (src_stride < ptrdiff_t(g.src_width) * 2 ||
        !valid_plane(src, src_stride, source_length, source_rows) ||
        !valid_plane(y, y_stride, g.dst_width, g.dst_height) ||
        !valid_plane(u, u_stride, g.dst_width / 2, g.dst_height / 2) ||
        !valid_plane(v, v_stride, g.dst_width / 2, g.dst_height / 2))
        return -1;

    convert_frame_with(chosen_kernel(), strided_frame_layout(g, src, src_stride, y, y_stride, u,
                                                             u_stride, v, v_stride));
    return 0;
}
