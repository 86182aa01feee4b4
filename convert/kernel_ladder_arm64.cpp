#include "convert/kernel_table.h"
#include "convert/row_kernels_arm64.h"

// NEON is part of the 64-bit ARM baseline: no run-time check is needed.
RowKernelLadder available_row_kernels()
{
    RowKernelLadder ladder{};
    ladder.rungs[ladder.count++] = plain_row_kernels();
    ladder.rungs[ladder.count++] =
        RowKernels{"neon",
                   copy_luma_row_neon,
                   chroma_top_field_neon,
                   chroma_bottom_field_neon,
                   chroma_top_edge_neon,
                   chroma_bottom_edge_neon,
                   convert_row_group_neon};
    return ladder;
}
