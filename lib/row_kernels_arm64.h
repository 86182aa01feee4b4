#pragma once

#include "lib/row_kernels.h"

// The row-group kernels of 64-bit ARM, where NEON is always present, one for
// every pair, each equal to the plain C one of its pair byte for byte.
template <int32_t source, int32_t output>
void convert_row_group_neon(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
