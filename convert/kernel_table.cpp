#include "convert/kernel_table.h"

RowKernels plain_row_kernels()
{
    return RowKernels{"c",
                      copy_luma_row,
                      chroma_top_field,
                      chroma_bottom_field,
                      chroma_top_edge,
                      chroma_bottom_edge,
                      convert_row_group};
}

const RowKernels& active_row_kernels()
{
    static const RowKernels chosen = [] {
        const RowKernelLadder ladder = available_row_kernels();
        return ladder.rungs[ladder.count - 1];
    }();
    return chosen;
}
