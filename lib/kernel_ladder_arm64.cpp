#include "lib/kernel_ladder.h"

// NEON is part of the 64-bit ARM baseline: no run-time check is needed.
KernelLadder kernel_ladder(const char* cap)
{
    const KernelSet sets[] = {plain_kernel_set(), neon_kernel_set()};
    const bool runs[] = {true, true};
    return ladder_of(sets, runs, cap);
}
