#pragma once

#include <cstddef>
#include <cstdint>

// Where the rows of one source frame and one output frame lie. Source row r
// belongs to the top field when r is even, to the bottom field when r is odd;
// the output planes alternate fields row by row in the same way.
struct FrameLayout {
    const uint8_t* src;
    uint8_t* y;
    uint8_t* u;
    uint8_t* v;
    ptrdiff_t src_stride;    // bytes per UYVY row: src_width * 2
    ptrdiff_t luma_stride;   // dst_width
    ptrdiff_t chroma_stride; // dst_width / 2
    int32_t src_width;
    int32_t src_height;
    int32_t dst_width;
    int32_t dst_height;
    int32_t min_width; // luma columns that take source data
};

FrameLayout frame_layout(uint8_t* dst, const uint8_t* src, int32_t src_width, int32_t src_height,
                         int32_t dst_width, int32_t dst_height);

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
    return frame.u + chroma_row * frame.chroma_stride;
}

inline uint8_t* v_row(const FrameLayout& frame, int32_t chroma_row)
{
    return frame.v + chroma_row * frame.chroma_stride;
}
