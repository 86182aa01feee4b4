#include "lib/kernel_ladder.h"
#include "lib/row_kernels_arm64.h"

// NEON is part of the 64-bit ARM baseline: no run-time check is needed.
KernelLadder kernel_ladder()
{
    const KernelSet sets[] = {
        plain_kernel_set(),
        {"neon",
         {{convert_row_group_neon<uyvy, i420>, convert_row_group_neon<uyvy, nv12>},
          {convert_row_group_neon<yuy2, i420>, convert_row_group_neon<yuy2, nv12>},
          {convert_row_group_neon<v210, i420>, convert_row_group_neon<v210, nv12>,
           convert_row_group_neon<v210, i010>, convert_row_group_neon<v210, p010>}}}};
    const bool runs[] = {true, true};
    return ladder_of(sets, runs);
}
