#include "lib/kernel_ladder.h"
#include "lib/row_kernels_x86.h"

KernelLadder kernel_ladder()
{
    const KernelSet sets[] = {
        plain_kernel_set(),
        {"sse2",
         {{convert_row_group_sse2<uyvy, i420>, convert_row_group_sse2<uyvy, nv12>},
          {convert_row_group_sse2<yuy2, i420>, convert_row_group_sse2<yuy2, nv12>}}},
        {"avx2",
         {{convert_row_group_avx2<uyvy, i420>, convert_row_group_avx2<uyvy, nv12>},
          {convert_row_group_avx2<yuy2, i420>, convert_row_group_avx2<yuy2, nv12>},
          {convert_row_group_avx2<v210, i420>, convert_row_group_avx2<v210, nv12>,
           convert_row_group_avx2<v210, i010>, convert_row_group_avx2<v210, p010>}}}};
    // The compiler's check asks the operating system too: AVX2 counts only
    // where it saves the vector registers (XGETBV), not merely where the CPU
    // has the instructions. SSE2 is part of x86-64.
    __builtin_cpu_init();
    const bool runs[] = {true, true, __builtin_cpu_supports("avx2") != 0};
    return ladder_of(sets, runs);
}
