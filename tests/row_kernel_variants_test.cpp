#include "convert/kernel_table.h"
#include "tests/frame_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t guard = 32;

// Runs `kernel` once into guarded output rows filled with `fill`, and returns
// the rows with their guards: the luma row (`luma_bytes` long) or the U and the
// V row back to back.
using Kernel = std::function<void(uint8_t* out, uint8_t* v)>;

std::vector<uint8_t> run_guarded(const Kernel& kernel, size_t row_bytes, uint8_t fill)
{
    std::vector<uint8_t> out(2 * (row_bytes + 2 * guard), fill);
    uint8_t* second = out.data() + row_bytes + 3 * guard;
    kernel(out.data() + guard, second);
    return out;
}

// Compares one variant's kernel with the plain one on the same source rows.
std::string first_difference(const Kernel& plain, const Kernel& variant, size_t row_bytes)
{
    for (uint8_t fill : {0x00, 0xFF}) {
        const std::vector<uint8_t> want = run_guarded(plain, row_bytes, fill);
        const std::vector<uint8_t> got = run_guarded(variant, row_bytes, fill);
        for (size_t i = 0; i < want.size(); ++i) {
            if (got[i] != want[i])
                return "first differing byte " + std::to_string(i) + " of the guarded output: " +
                       std::to_string(got[i]) + " instead of " + std::to_string(want[i]);
        }
    }
    return {};
}

// Source rows: random bytes, all 0, all 255, or a random mix of 0 and 255.
std::vector<uint8_t> source_rows(int pattern, uint64_t seed, size_t size)
{
    std::vector<uint8_t> rows = random_bytes(seed, size);
    for (uint8_t& byte : rows)
        byte = pattern == 0 ? byte : pattern == 1 ? 0 : pattern == 2 ? 255 : (byte & 1) * 255;
    return rows;
}

void check_variant(const RowKernels& plain, const RowKernels& variant, int32_t width, uint64_t seed)
{
    // Three source rows: the field partner of row 0 is row 2.
    const ptrdiff_t row_distance = 2 * ptrdiff_t(width) * 2;
    for (int pattern = 0; pattern < 4; ++pattern) {
        const std::vector<uint8_t> src = source_rows(pattern, seed, size_t(width) * 2 * 3 + 1);
        const uint8_t* upper = src.data();
        const auto luma = [&](const RowKernels& k) {
            return Kernel([&k, upper, width](uint8_t* out, uint8_t*) { k.copy_luma_row(out, upper, width); });
        };
        const auto field = [&](const RowKernels& k, ChromaFieldRow RowKernels::*f) {
            return Kernel([&k, f, upper, width, row_distance](uint8_t* u, uint8_t* v) {
                (k.*f)(u, v, upper, width, row_distance);
            });
        };
        const auto edge = [&](const RowKernels& k, ChromaEdgeRow RowKernels::*f) {
            return Kernel([&k, f, upper, width](uint8_t* u, uint8_t* v) { (k.*f)(u, v, upper, width); });
        };
        const struct {
            const char* name;
            Kernel plain, variant;
            size_t row_bytes;
        } checks[] = {
            {"copy_luma_row", luma(plain), luma(variant), size_t(width)},
            {"chroma_top_field", field(plain, &RowKernels::chroma_top_field),
             field(variant, &RowKernels::chroma_top_field), size_t(width) / 2},
            {"chroma_bottom_field", field(plain, &RowKernels::chroma_bottom_field),
             field(variant, &RowKernels::chroma_bottom_field), size_t(width) / 2},
            {"chroma_top_edge", edge(plain, &RowKernels::chroma_top_edge),
             edge(variant, &RowKernels::chroma_top_edge), size_t(width) / 2},
            {"chroma_bottom_edge", edge(plain, &RowKernels::chroma_bottom_edge),
             edge(variant, &RowKernels::chroma_bottom_edge), size_t(width) / 2},
        };
        for (const auto& check : checks)
            ASSERT_EQ(first_difference(check.plain, check.variant, check.row_bytes), "")
                << variant.name << " " << check.name << ": seed " << seed << ", width " << width
                << ", source pattern " << pattern;
    }
}

// A whole row group into rows that lie apart with gaps between them, which
// must stay untouched like the guards around them.
void check_row_group(const RowKernels& plain, const RowKernels& variant, int32_t width, uint64_t seed)
{
    const ptrdiff_t src_stride = 2 * ptrdiff_t(width) + 6;
    const ptrdiff_t luma_stride = width + ptrdiff_t(guard);
    const ptrdiff_t chroma_stride = width / 2 + ptrdiff_t(guard);
    for (int pattern = 0; pattern < 4; ++pattern) {
        const std::vector<uint8_t> src = source_rows(pattern, seed, size_t(4 * src_stride));
        const auto group = [&](const RowKernels& k) {
            return Kernel([&k, &src, width, src_stride, luma_stride, chroma_stride](uint8_t* out, uint8_t*) {
                uint8_t* u = out + 4 * luma_stride;
                k.convert_row_group(out, luma_stride, u, u + 2 * chroma_stride, chroma_stride,
                                    src.data(), src_stride, width);
            });
        };
        ASSERT_EQ(first_difference(group(plain), group(variant), size_t(4 * luma_stride + 4 * chroma_stride)), "")
            << variant.name << " convert_row_group: seed " << seed << ", width " << width
            << ", source pattern " << pattern;
    }
}

TEST(RowKernelVariants, EqualThePlainKernelsByteForByte)
{
    const RowKernelLadder ladder = available_row_kernels();
    std::mt19937_64 seeds(7);
    for (int k = 1; k < ladder.count; ++k) {
        for (int32_t width = 0; width <= 300; width += 2) {
            check_variant(ladder.rungs[0], ladder.rungs[k], width, seeds());
            check_row_group(ladder.rungs[0], ladder.rungs[k], width, seeds());
        }
        for (int32_t width : {718, 720, 1920, 3840, 7680, 32768}) {
            check_variant(ladder.rungs[0], ladder.rungs[k], width, seeds());
            check_row_group(ladder.rungs[0], ladder.rungs[k], width, seeds());
        }
    }
}

} // namespace
