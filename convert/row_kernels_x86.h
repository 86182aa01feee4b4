#pragma once

#include "convert/row_kernels.h"

// The row kernels for x86-64, each equal to its plain C namesake byte for byte.
// The SSE2 ones run on every x86-64 processor; the AVX2 ones only where the
// processor and the operating system support AVX2.

void copy_luma_row_sse2(uint8_t* luma, const uint8_t* src, int32_t width);
void chroma_top_field_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                           ptrdiff_t row_distance);
void chroma_bottom_field_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                              ptrdiff_t row_distance);
void chroma_top_edge_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);
void chroma_bottom_edge_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);
void convert_row_group_sse2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);

void copy_luma_row_avx2(uint8_t* luma, const uint8_t* src, int32_t width);
void chroma_top_field_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                           ptrdiff_t row_distance);
void chroma_bottom_field_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                              ptrdiff_t row_distance);
void chroma_top_edge_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);
void chroma_bottom_edge_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);
void convert_row_group_avx2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
