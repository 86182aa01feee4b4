#pragma once

#include "lib/formats.h"
#include "lib/row_kernels.h"

#include <cstddef>

// The row-group kernels of one instruction set, by source and output format:
// each computes exactly the bytes of the plain C one of its pair. Null where
// the set has no kernel of its own for a pair. Only the row groups are worth
// vectors: the edge rows of padding mode, at most three a frame, always run
// the plain C kernels.
struct KernelSet {
    const char* instruction_set; // "c", "sse2", "avx2" or "neon"
    RowGroupFunction row_group[source_formats][output_formats];
};

// The kernel sets this processor runs, in ladder order: plain C first, then
// each instruction set the processor and the operating system support, each
// faster than the one before.
struct KernelLadder {
    static constexpr int capacity = 3;
    int count;
    KernelSet rungs[capacity];
};

KernelLadder kernel_ladder();

// The plain C kernels of every pair converted.
KernelSet plain_kernel_set();

// The kernel of a pair converted from the highest rung that has one, chosen
// once on first use and never changed.
RowGroupFunction chosen_kernel(int32_t source, int32_t output);

// The instruction set of the highest rung.
const char* best_instruction_set();

// The ladder of a platform's kernel `sets`, in their order, keeping each that
// `runs`. A platform with more sets than a ladder holds does not compile.
template <size_t count>
KernelLadder ladder_of(const KernelSet (&sets)[count], const bool (&runs)[count])
{
    static_assert(count <= KernelLadder::capacity, "the ladder holds fewer rungs");
    KernelLadder ladder{};
    for (size_t k = 0; k < count; ++k)
        if (runs[k])
            ladder.rungs[ladder.count++] = sets[k];
    return ladder;
}
