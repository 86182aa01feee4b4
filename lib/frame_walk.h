#pragma once

#include <chromafold/chromafold.h>
#include "lib/kernel_ladder.h"

#include <cstddef>
#include <cstdint>

// Where the rows of one source frame and one output frame lie. Source row r
// belongs to the top field when r is even, to the bottom field when r is odd;
// the output planes alternate fields row by row in the same way. A stride is
// the distance from the start of one row to the start of the next, at least
// the row's length; the bytes between two rows belong to the caller.
struct FrameLayout {
    const uint8_t* src;
    uint8_t* y;
    uint8_t* u;
    uint8_t* v;
    ptrdiff_t src_stride;  // at least src_width * 2
    ptrdiff_t luma_stride; // at least dst_width
    ptrdiff_t u_stride;    // at least dst_width / 2
    ptrdiff_t v_stride;    // at least dst_width / 2
    int32_t src_width;
    int32_t src_height;
    int32_t dst_width;
    int32_t dst_height;
    int32_t min_width; // luma columns that take source data
};

// A frame of geometry `g` whose source rows and output planes each lie at
// their own stride.
FrameLayout strided_frame_layout(const chromafold_geometry& g, const uint8_t* src,
                                 ptrdiff_t src_stride, uint8_t* y, ptrdiff_t luma_stride,
                                 uint8_t* u, ptrdiff_t u_stride, uint8_t* v, ptrdiff_t v_stride);

// A frame of geometry `g` whose source rows lie back to back at `src`, and
// whose output rows and planes lie back to back at `dst`: Y, then U, then V.
FrameLayout contiguous_frame_layout(const chromafold_geometry& g, uint8_t* dst, const uint8_t* src);

// Writes every byte of every output row of `frame`, the row groups with
// `kernel`, and nothing between rows.
void convert_frame_with(const RowGroupKernel& kernel, const FrameLayout& frame);

// Converts one contiguous UYVY frame of geometry `g` (g.src_bytes at `src`)
// into one contiguous raw420 frame (g.dst_bytes at `dst`) with the chosen
// kernel. The geometry is frame_geometry's; nothing is checked.
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
