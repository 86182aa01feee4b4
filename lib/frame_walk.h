#pragma once

#include <chromafold/chromafold.h>
#include "lib/formats.h"
#include "lib/row_kernels.h"

#include <cstddef>
#include <cstdint>

// Where the rows of one source frame and one output frame lie, and their
// formats. Source row r belongs to the top field when r is even, to the bottom
// field when r is odd; the output planes alternate fields row by row in the
// same way. A stride is the distance from the start of one row to the start of
// the next, at least the row's length; the bytes between two rows belong to the
// caller.
struct FrameLayout {
    int32_t source_format;
    int32_t output_format;
    const uint8_t* src;
    uint8_t* y;
    uint8_t* u; // the first U sample of chroma row 0
    uint8_t* v; // the first V sample: one sample after U where they share a plane
    ptrdiff_t src_stride;
    ptrdiff_t luma_stride;
    ptrdiff_t u_stride;
    ptrdiff_t v_stride;
    int32_t src_width;
    int32_t src_height;
    int32_t dst_width;
    int32_t dst_height;
    int32_t min_width; // luma columns that take source data
};

// A frame of geometry `g` from `src` in `source_format` into `planes` in
// `output_format`, a pair converted.
FrameLayout frame_layout(const chromafold_geometry& g, int32_t source_format, const uint8_t* src,
                         ptrdiff_t src_stride, int32_t output_format, const chromafold_planes& planes);

// Writes every byte of every output row of `frame`, the whole row groups with
// `row_group`, a kernel of the frame's pair, and nothing between rows.
void convert_frame_with(RowGroupFunction row_group, const FrameLayout& frame);

// Converts one contiguous UYVY frame of geometry `g` (g.src_bytes at `src`)
// into one contiguous I420 frame (g.dst_bytes at `dst`: Y, then U, then V)
// with the chosen kernel. The geometry is frame_geometry's; nothing is checked.
void convert_frame(const chromafold_geometry& g, uint8_t* dst, const uint8_t* src);

inline const uint8_t* source_row(const FrameLayout& frame, int32_t row)
{
    return frame.src + row * frame.src_stride;
}

inline uint8_t* luma_row(const FrameLayout& frame, int32_t row)
{
    return frame.y + row * frame.luma_stride;
}

inline uint8_t* u_row(const FrameLayout& frame, int32_t chroma_row)
{
    return frame.u + chroma_row * frame.u_stride;
}

inline uint8_t* v_row(const FrameLayout& frame, int32_t chroma_row)
{
    return frame.v + chroma_row * frame.v_stride;
}
