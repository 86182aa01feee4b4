#include "lib/kernel_ladder.h"

// Processors without vector kernels of ours run the plain C ones.
KernelLadder kernel_ladder(const char* cap)
{
    const KernelSet sets[] = {plain_kernel_set()};
    const bool runs[] = {true};
    return ladder_of(sets, runs, cap);
}
