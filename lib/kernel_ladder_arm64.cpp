#include "lib/kernel_ladder.h"
#include "lib/row_kernels_arm64.h"

// NEON is part of the 64-bit ARM baseline: no run-time check is needed.
KernelLadder kernel_ladder()
{
    const RowGroupKernel kernels[] = {plain_kernel(), {"neon", convert_row_group_neon}};
    const bool runs[] = {true, true};
    return ladder_of(kernels, runs);
}
