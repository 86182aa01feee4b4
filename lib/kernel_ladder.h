#pragma once

#include "lib/kernel_set.h"

#include <cstddef>

// The kernel sets this processor runs, in ladder order: plain C first, then
// each instruction set the processor and the operating system support, each
// faster than the one before.
struct KernelLadder {
    static constexpr int capacity = 4;
    int count;
    KernelSet rungs[capacity];
};

KernelLadder kernel_ladder();

// The kernel of a pair (its place in `pairs`) from the highest rung of
// `ladder` that has one.
RowGroupFunction best_kernel(const KernelLadder& ladder, int32_t pair);

// best_kernel of this processor's ladder, chosen on first use and never
// changed.
RowGroupFunction chosen_kernel(int32_t pair);

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
