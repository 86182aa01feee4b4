#pragma once

#include "convert/row_kernels.h"

#include <cstdint>

// The row-group kernels this CPU can run, in ladder order: plain C first, then each
// instruction set the CPU has, each faster than the one before.
struct RowKernelLadder {
    int count;
    RowKernels rungs[3];
};

RowKernelLadder available_row_kernels();

// The top rung of the ladder, chosen once on first use and never changed.
const RowKernels& active_row_kernels();

// The plain C reference kernels.
RowKernels plain_row_kernels();
