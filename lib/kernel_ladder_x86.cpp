#include "lib/kernel_ladder.h"

KernelLadder kernel_ladder(const char* cap)
{
    const KernelSet sets[] = {plain_kernel_set(), sse2_kernel_set(), ssse3_kernel_set(), avx2_kernel_set(),
                              avx512_kernel_set()};
    // The compiler's checks ask the operating system too: AVX2 counts only
    // where it saves the vector registers, AVX-512 only where it saves the
    // 512-bit registers and the mask registers (XGETBV), not merely where the
    // processor has the instructions. SSE2 is part of x86-64.
    __builtin_cpu_init();
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi");
    const bool runs[] = {true, true, __builtin_cpu_supports("ssse3") != 0, __builtin_cpu_supports("avx2") != 0,
                         avx512};
    return ladder_of(sets, runs, cap);
}
