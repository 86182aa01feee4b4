#pragma once

#include "lib/row_kernels.h"

// The row-group kernels of x86-64, each equal to the plain C one of its pair
// byte for byte. SSE2 runs on every x86-64 processor and has the pairs of the
// 8-bit sources; AVX2 has every pair and runs only where the processor and the
// operating system support it.
template <int32_t source, int32_t output>
void convert_row_group_sse2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
template <int32_t source, int32_t output>
void convert_row_group_avx2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
