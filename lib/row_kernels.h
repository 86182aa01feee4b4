#pragma once

#include <cstddef>
#include <cstdint>

// Row kernels know nothing of fields, edges or frames: each reads whole UYVY
// quads (U, Y0, V, Y1) from source rows and writes one output row. `width` is a
// count of luma pixels and even; the kernels handle quads 0 to width/2 - 1 and
// write nothing else. A lower source row lies `row_distance` bytes below its
// upper one.

// luma[2i] = Y0 of quad i, luma[2i+1] = Y1 of quad i.
void copy_luma_row(uint8_t* luma, const uint8_t* src, int32_t width);

// Top field: a quarter of the way from the upper row to the lower one,
// (3 * upper + lower + 2) >> 2, rounding halves up. Never exceeds 255.
void chroma_top_field(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                      ptrdiff_t row_distance);

// Bottom field: three quarters of the way, (upper + 3 * lower + 2) >> 2.
void chroma_bottom_field(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                         ptrdiff_t row_distance);

// The field filters with a missing lower row taken as neutral 128 at its
// weight, rounded alike: (3 * upper + 130) >> 2 and (upper + 386) >> 2.
void chroma_top_edge(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);
void chroma_bottom_edge(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);

// One whole row group: source rows r0 to r3 from `src`, `src_stride` bytes
// apart, into four luma rows from `luma`, `luma_stride` apart; the top-field
// chroma row of r0 and r2 at `u` and `v`, and the bottom-field one of r1 and r3
// `u_stride` and `v_stride` further on. The same bytes as four copy_luma_row
// calls and one call of each field filter; a vector version reads each source
// byte once.
void convert_row_group(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                       uint8_t* v, ptrdiff_t v_stride, const uint8_t* src, ptrdiff_t src_stride,
                       int32_t width);

// A row-group kernel's signature: convert_row_group's, and that of each vector
// version of it.
using RowGroupFunction = void (*)(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u,
                                  ptrdiff_t u_stride, uint8_t* v, ptrdiff_t v_stride,
                                  const uint8_t* src, ptrdiff_t src_stride, int32_t width);
