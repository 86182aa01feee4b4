#include "convert/kernel_table.h"

// Processors without vector kernels of ours run the plain C ones.
RowKernelLadder available_row_kernels()
{
    RowKernelLadder ladder{};
    ladder.rungs[ladder.count++] = plain_row_kernels();
    return ladder;
}
