#include "convert/kernel_table.h"

RowKernels plain_row_kernels()
{
    return RowKernels{"c", convert_row_group};
}

const RowKernels& active_row_kernels()
{
    static const RowKernels chosen = [] {
        const RowKernelLadder ladder = available_row_kernels();
        return ladder.rungs[ladder.count - 1];
    }();
    return chosen;
}
