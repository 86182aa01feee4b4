#pragma once

#include "convert/row_kernels.h"

#include <cstdint>

// The row kernels this CPU can run, in ladder order: plain C first, then each
// instruction set the CPU has, each faster than the one before.
struct RowKernelLadder {
    int count;
    RowKernels rungs[4];
};

RowKernelLadder available_row_kernels();

// The top rung of the ladder, chosen once on first use and never changed.
const RowKernels& active_row_kernels();

// The plain C reference kernels.
RowKernels plain_row_kernels();

// convert_frame with a given kernel set, so that each set can be tested and
// timed through the whole frame walk.
void convert_frame_with(const RowKernels& kernels, uint8_t* dst, const uint8_t* src,
                        int32_t src_width, int32_t src_height, int32_t dst_width,
                        int32_t dst_height);
