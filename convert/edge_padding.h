#pragma once

#include "convert/frame_layout.h"
#include "convert/row_kernels.h"

// Padding mode: the output frame is wider or taller than its source.

// Completes a luma row that took source data, to the right of the source's
// last column. Only called when src_width < dst_width.
void fill_right_of_luma(const FrameLayout& frame, int32_t row);

// Likewise for chroma row `chroma_row` in U and V.
void fill_right_of_chroma(const FrameLayout& frame, int32_t chroma_row);

// Writes every output row from row group `first_group` down: the last source
// rows that do not fill a whole group, then black rows to the bottom. Only
// called when src_height < dst_height.
void pad_bottom(const RowKernels& kernels, const FrameLayout& frame, int32_t first_group);
