#pragma once

#include "lib/kernel_set.h"

#include <cstddef>
#include <cstring>

// The kernel sets this processor runs, in ladder order: plain C first, then
// each instruction set the processor and the operating system support, each
// faster than the one before.
struct KernelLadder {
    static constexpr int capacity = 5;
    int count;
    KernelSet rungs[capacity];
};

// This processor's ladder, up to the rung named `cap` (an instruction set's
// name, as CHROMAFOLD_KERNEL gives it): that rung, or the best below it where
// the processor lacks it. A null cap, or a name no rung of this platform
// has, cuts nothing.
KernelLadder kernel_ladder(const char* cap = nullptr);

// The kernel of a pair (its place in `pairs`) from the highest rung of
// `ladder` that has one.
RowGroupFunction best_kernel(const KernelLadder& ladder, int32_t pair);

// best_kernel of this processor's ladder up to the rung CHROMAFOLD_KERNEL
// names, chosen on first use and never changed.
RowGroupFunction chosen_kernel(int32_t pair);

// The instruction set of the highest rung chosen.
const char* best_instruction_set();

// The ladder of a platform's kernel `sets`, in their order, keeping each that
// `runs`, up to the set named `cap`. A platform with more sets than a ladder
// holds does not compile.
template <size_t count>
KernelLadder ladder_of(const KernelSet (&sets)[count], const bool (&runs)[count], const char* cap)
{
    static_assert(count <= KernelLadder::capacity, "the ladder holds fewer rungs");
    size_t top = count - 1;
    for (size_t k = 0; cap && k < count; ++k)
        if (std::strcmp(sets[k].instruction_set, cap) == 0)
            top = k;
    KernelLadder ladder{};
    for (size_t k = 0; k <= top; ++k)
        if (runs[k])
            ladder.rungs[ladder.count++] = sets[k];
    return ladder;
}
