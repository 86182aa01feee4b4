#include "lib/kernel_ladder.h"

RowGroupKernel plain_kernel()
{
    return RowGroupKernel{"c", convert_row_group};
}

const RowGroupKernel& chosen_kernel()
{
    static const RowGroupKernel chosen = [] {
        const KernelLadder ladder = kernel_ladder();
        return ladder.rungs[ladder.count - 1];
    }();
    return chosen;
}
