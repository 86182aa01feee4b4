#include "lib/kernel_ladder.h"

// Processors without vector kernels of ours run the plain C one.
KernelLadder kernel_ladder()
{
    const RowGroupKernel kernels[] = {plain_kernel()};
    const bool runs[] = {true};
    return ladder_of(kernels, runs);
}
