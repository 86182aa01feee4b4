#include "convert/kernel_table.h"
#include "convert/row_kernels_arm64.h"

// NEON is part of the 64-bit ARM baseline: no run-time check is needed.
RowKernelLadder available_row_kernels()
{
    RowKernelLadder ladder{};
    ladder.rungs[ladder.count++] = plain_row_kernels();
    ladder.rungs[ladder.count++] = RowKernels{"neon", convert_row_group_neon};
    return ladder;
}
