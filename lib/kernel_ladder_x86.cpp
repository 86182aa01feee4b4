#include "lib/kernel_ladder.h"

KernelLadder kernel_ladder(const char* cap)
{
    const KernelSet sets[] = {plain_kernel_set(), sse2_kernel_set(), ssse3_kernel_set(), avx2_kernel_set()};
    // The compiler's check asks the operating system too: AVX2 counts only
    // where it saves the vector registers (XGETBV), not merely where the CPU
    // has the instructions. SSE2 is part of x86-64.
    __builtin_cpu_init();
    const bool runs[] = {true, true, __builtin_cpu_supports("ssse3") != 0, __builtin_cpu_supports("avx2") != 0};
    return ladder_of(sets, runs, cap);
}
