#pragma once

#include "lib/row_kernels.h"

// The row-group kernel of 64-bit ARM, where NEON is always present; it equals
// convert_row_group byte for byte.
void convert_row_group_neon(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width);
