#pragma once

#include "lib/frame_walk.h"
#include "lib/row_kernels.h"

// Padding mode: the output frame is wider or taller than its source, and what
// has no source data behind it is black luma (16) and neutral chroma (128).

// Sets `length` luma bytes to black; nothing when the length is 0 or less.
void fill_luma(uint8_t* luma, ptrdiff_t length);

// Sets the chroma of `length` luma pixels, length / 2 bytes at `u` and as many
// at `v`, to neutral.
void fill_chroma(uint8_t* u, uint8_t* v, ptrdiff_t length);

// Completes a luma row that took source data, to the right of the source's
// last column. Only called when src_width < dst_width.
void fill_right_of_luma(const FrameLayout& frame, int32_t row);

// Likewise for chroma row `chroma_row` in U and V.
void fill_right_of_chroma(const FrameLayout& frame, int32_t chroma_row);

// Writes every output row from row group `first_group` down: the source rows
// left over after the last whole row group, then black rows to the bottom.
// Only called when src_height < dst_height. These few rows a frame run the
// plain C kernels.
void pad_bottom(const FrameLayout& frame, int32_t first_group);
