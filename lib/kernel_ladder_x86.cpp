#include "lib/kernel_ladder.h"
#include "lib/row_kernels_x86.h"

KernelLadder kernel_ladder()
{
    // The compiler's check asks the operating system too: AVX2 counts only
    // where it saves the vector registers (XGETBV), not merely where the CPU
    // has the instructions. SSE2 is part of x86-64.
    __builtin_cpu_init();
    const RowGroupKernel kernels[] = {
        plain_kernel(), {"sse2", convert_row_group_sse2}, {"avx2", convert_row_group_avx2}};
    const bool runs[] = {true, true, __builtin_cpu_supports("avx2") != 0};
    return ladder_of(kernels, runs);
}
