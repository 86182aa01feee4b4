#pragma once

#include "convert/row_kernels.h"

// The NEON row kernels of 64-bit ARM, where NEON is always present; each equals
// its plain C namesake byte for byte.

void copy_luma_row_neon(uint8_t* luma, const uint8_t* src, int32_t width);
void chroma_top_field_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                           ptrdiff_t row_distance);
void chroma_bottom_field_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                              ptrdiff_t row_distance);
void chroma_top_edge_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);
void chroma_bottom_edge_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width);
void convert_row_group_neon(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
