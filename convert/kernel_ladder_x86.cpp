#include "convert/kernel_table.h"
#include "convert/row_kernels_x86.h"

RowKernelLadder available_row_kernels()
{
    RowKernelLadder ladder{};
    ladder.rungs[ladder.count++] = plain_row_kernels();
    ladder.rungs[ladder.count++] =
        RowKernels{"sse2",
                   copy_luma_row_sse2,
                   chroma_top_field_sse2,
                   chroma_bottom_field_sse2,
                   chroma_top_edge_sse2,
                   chroma_bottom_edge_sse2,
                   convert_row_group_sse2};
    // The compiler's check asks the operating system too: AVX2 counts only
    // where it saves the vector registers (XGETBV), not merely where the CPU
    // has the instructions.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        ladder.rungs[ladder.count++] =
            RowKernels{"avx2",
                       copy_luma_row_avx2,
                       chroma_top_field_avx2,
                       chroma_bottom_field_avx2,
                       chroma_top_edge_avx2,
                       chroma_bottom_edge_avx2,
                       convert_row_group_avx2};
    return ladder;
}
