#include "lib/kernel_ladder.h"

#include <atomic>
#include <cstdlib>

namespace {

// Each pair takes the kernel of the highest rung that has one, and every rung
// above plain C has a kernel for every pair it is fastest at. Threads that
// meet the first use together each choose, and store
// the same choice; atomics make that safe without a lock or the C++ runtime's
// guarded statics, so that C programs can link the static library.
constinit std::atomic<RowGroupFunction> chosen_kernels[pair_count] = {};
constinit std::atomic<const char*> chosen_set{nullptr};
constinit std::atomic<bool> chosen{false};

void choose()
{
    // CHROMAFOLD_KERNEL caps the ladder, for bug reports and benchmarks.
    const KernelLadder ladder = kernel_ladder(std::getenv("CHROMAFOLD_KERNEL"));
    for (int32_t p = 0; p < pair_count; ++p)
        chosen_kernels[p].store(best_kernel(ladder, p), std::memory_order_relaxed);
    chosen_set.store(ladder.rungs[ladder.count - 1].instruction_set, std::memory_order_relaxed);
    chosen.store(true, std::memory_order_release);
}

} // namespace

RowGroupFunction best_kernel(const KernelLadder& ladder, int32_t pair)
{
    RowGroupFunction best = nullptr;
    for (int k = 0; k < ladder.count; ++k)
        if (ladder.rungs[k].kernel[pair])
            best = ladder.rungs[k].kernel[pair];
    return best;
}

RowGroupFunction chosen_kernel(int32_t pair)
{
    if (!chosen.load(std::memory_order_acquire))
        choose();
    return chosen_kernels[pair].load(std::memory_order_relaxed);
}

const char* best_instruction_set()
{
    if (!chosen.load(std::memory_order_acquire))
        choose();
    return chosen_set.load(std::memory_order_relaxed);
}
