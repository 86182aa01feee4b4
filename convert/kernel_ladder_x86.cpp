#include "convert/kernel_table.h"
#include "convert/row_kernels_x86.h"

RowKernelLadder available_row_kernels()
{
    RowKernelLadder ladder{};
    ladder.rungs[ladder.count++] = plain_row_kernels();
    ladder.rungs[ladder.count++] = RowKernels{"sse2", convert_row_group_sse2};
    // The compiler's check asks the operating system too: AVX2 counts only
    // where it saves the vector registers (XGETBV), not merely where the CPU
    // has the instructions.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        ladder.rungs[ladder.count++] = RowKernels{"avx2", convert_row_group_avx2};
    return ladder;
}
