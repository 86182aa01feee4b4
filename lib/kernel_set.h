#pragma once

#include "lib/formats.h"
#include "lib/row_kernels.h"

#include <cstddef>
#include <utility>

// The kernels of one instruction set, by the place of their pair in `pairs`:
// each computes exactly the bytes of the plain C one of its pair. Null where
// the set has no kernel of its own for a pair. Only whole row groups are worth
// vectors: the rows of padding mode that lack a source row always run the
// plain C kernels.
struct KernelSet {
    const char* instruction_set; // "c", "sse2", "ssse3", "avx2", "avx512" or "neon"
    RowGroupFunction kernel[pair_count];
};

// The set of a rung's tag Rung: the kernel of each pair that
// kernel_of<pair>(Rung()) gives (each instruction set's file says, by its
// tag, which kernel it has for each pair, null for none), under the tag's
// name, made at compile time from the one list of pairs.
template <typename Rung, size_t... p>
constexpr KernelSet make_kernel_set(std::index_sequence<p...>)
{
    return {Rung::name, {kernel_of<pairs[p]>(Rung())...}};
}

template <typename Rung>
constexpr KernelSet kernel_set = make_kernel_set<Rung>(std::make_index_sequence<pair_count>());

// The kernel sets of each instruction set, each in its own file, made at
// compile time: only the caller copies them, in code that every processor
// runs, and not the instruction set's own code.
const KernelSet& plain_kernel_set();
const KernelSet& sse2_kernel_set();
const KernelSet& ssse3_kernel_set();
const KernelSet& avx2_kernel_set();
const KernelSet& avx512_kernel_set();
const KernelSet& neon_kernel_set();
