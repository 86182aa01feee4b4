#pragma once

#include "lib/frame_walk.h"

// Padding mode: the output frame is wider or taller than its source, and what
// has no source data behind it is black luma and neutral chroma, 16 and 128 in
// 8-bit outputs, 64 and 512 in 10-bit ones.

// Completes the luma row `row` and the chroma row `chroma_row`, which took
// source data, to the right of the source's last column. Only called when
// src_width < dst_width.
void fill_right_of_luma(const FrameLayout& frame, int32_t row);
void fill_right_of_chroma(const FrameLayout& frame, int32_t chroma_row);

// Writes every output row from row group `first_group` down: the source rows
// left over after the last whole row group, then black rows to the bottom.
// Only called when src_height < dst_height. These few rows a frame run the
// plain C kernels.
void pad_bottom(const FrameLayout& frame, int32_t first_group);
