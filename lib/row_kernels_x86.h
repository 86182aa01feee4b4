#pragma once

#include "lib/row_kernels.h"

// The row-group kernels of x86-64, each equal to convert_row_group byte for
// byte. SSE2 runs on every x86-64 processor; AVX2 only where the processor and
// the operating system support it.
void convert_row_group_sse2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
void convert_row_group_avx2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
