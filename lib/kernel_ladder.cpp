#include "lib/kernel_ladder.h"

namespace {

// Each pair takes the kernel of the highest rung that has one: a processor
// with AVX2 runs every pair with it, one with SSE2 alone runs the pairs that
// SSE2 has with SSE2 and the others in plain C.
const KernelSet& chosen()
{
    static const KernelSet kernels = [] {
        const KernelLadder ladder = kernel_ladder();
        KernelSet best{ladder.rungs[ladder.count - 1].instruction_set, {}};
        for (int k = 0; k < ladder.count; ++k)
            for (int32_t s = 0; s < source_formats; ++s)
                for (int32_t o = 0; o < output_formats; ++o)
                    if (ladder.rungs[k].row_group[s][o])
                        best.row_group[s][o] = ladder.rungs[k].row_group[s][o];
        return best;
    }();
    return kernels;
}

} // namespace

KernelSet plain_kernel_set()
{
    KernelSet set{"c", {}};
    for (int32_t s = 0; s < source_formats; ++s)
        for (int32_t o = 0; o < output_formats; ++o)
            if (pair_converted(s, o))
                set.row_group[s][o] = plain_row_group(s, o);
    return set;
}

RowGroupFunction chosen_kernel(int32_t source, int32_t output)
{
    return chosen().row_group[source][output];
}

const char* best_instruction_set()
{
    return chosen().instruction_set;
}
