#pragma once

#include "lib/formats.h"

#include <cstddef>
#include <cstdint>

// Where the planes of one frame lie: the start and stride of each plane its
// format has. A stride is the distance from the start of one row to the start
// of the next, at least the row's length; the bytes between two rows belong to
// the caller.
struct Planes {
    uint8_t* data[3];
    ptrdiff_t stride[3];
};

// One conversion: the source and output frames, their formats and sizes, and
// how the source was scanned. Row r of an interlaced frame belongs to the top
// field when r is even, to the bottom field when r is odd, in the luma and in
// the chroma rows alike. The source is only ever read; its pointers are not
// const so that the rows of both frames travel alike.
struct FrameLayout {
    Format source;
    Format output;
    int32_t scan; // CHROMAFOLD_SCAN_
    Planes src;
    Planes dst;
    int32_t src_width;
    int32_t src_height;
    int32_t dst_width;
    int32_t dst_height;
    int32_t min_width; // columns that take source data
};

// The row of each plane of a frame that one kernel call reads or writes;
// null for a plane the format lacks or a row not wanted.
struct Rows {
    uint8_t* plane[3];
};

// Luma row `luma` and chroma row `chroma` of a frame in `format`: the same row
// of a 4:2:2 frame, or a 4:2:0 frame's chroma row, which lies half as far
// down. A row of -1 is none. No pointer is formed for a plane the format lacks.
inline Rows rows_of(const Planes& planes, const Format& format, int32_t luma, int32_t chroma)
{
    Rows rows{};
    if (luma >= 0)
        rows.plane[0] = planes.data[0] + luma * planes.stride[0];
    for (int32_t p = 1; chroma >= 0 && p < plane_count(format); ++p)
        rows.plane[p] = planes.data[p] + chroma * planes.stride[p];
    return rows;
}

// Frame row `row` of a 4:2:2 frame, every plane.
inline Rows full_row(const Planes& planes, const Format& format, int32_t row)
{
    return rows_of(planes, format, row, row);
}
