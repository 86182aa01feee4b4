#pragma once

#include "lib/frame_layout.h"

// What has no source data behind it is black luma and neutral chroma: 16 and
// 128 in 8-bit outputs, 64 and 512 in 10-bit ones. These fills run where the
// output is wider or taller than its source, a few rows and columns a frame.

// Fills pixels `from` to `to` - 1 of `rows` of a frame in `format`: the luma
// in plane 0 and the chroma of the pixel pairs they make in planes 1 and 2 (or
// in plane 0 of a packed format), each where `rows` has a row. `from` and `to`
// are even.
void fill_span(const Format& format, const Rows& rows, int32_t from, int32_t to);

// Completes a row of a 4:2:2 frame in `format` whose pixels 0 to from - 1
// are written: pixels `from` to width - 1 black and neutral, and of v210 every
// sample past the width and every word after its last group, to the row's end
// at `width`, zero.
void complete_row(const Format& format, const Rows& row, int32_t from, int32_t width);

// Fills whole rows of the output frame: luma rows `first_luma` and on, and
// chroma rows `first_chroma` and on, to the bottom of the frame.
void fill_rows_below(const FrameLayout& frame, int32_t first_luma, int32_t first_chroma);
