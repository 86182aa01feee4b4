#pragma once

#include "lib/row_kernels.h"

#include <cstddef>

// The row-group kernel of one instruction set. Each computes exactly the bytes
// of the plain C one. Only the row groups are worth vectors: the edge rows of
// padding mode, at most three a frame, always run the plain C kernels.
struct RowGroupKernel {
    const char* instruction_set; // "c", "sse2", "avx2" or "neon"
    RowGroupFunction convert;
};

// The kernels this processor runs, in ladder order: plain C first, then each
// instruction set the processor and the operating system support, each faster
// than the one before.
struct KernelLadder {
    static constexpr int capacity = 3;
    int count;
    RowGroupKernel rungs[capacity];
};

KernelLadder kernel_ladder();

// The top rung of the ladder, chosen once on first use and never changed.
const RowGroupKernel& chosen_kernel();

// The plain C reference kernel.
RowGroupKernel plain_kernel();

// The ladder of a platform's `kernels`, in their order, keeping each that
// `runs`. A platform with more kernels than a ladder holds does not compile.
template <size_t count>
KernelLadder ladder_of(const RowGroupKernel (&kernels)[count], const bool (&runs)[count])
{
    static_assert(count <= KernelLadder::capacity, "the ladder holds fewer rungs");
    KernelLadder ladder{};
    for (size_t k = 0; k < count; ++k)
        if (runs[k])
            ladder.rungs[ladder.count++] = kernels[k];
    return ladder;
}
