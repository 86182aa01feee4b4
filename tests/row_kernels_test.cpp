#include "convert/row_kernels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Known answers of the chroma filters on U and V alike: the extremes, the
// rounding of a quarter-weighted sum (halves up), and neutral chroma standing
// in for a missing lower row.
TEST(RowKernels, ChromaFiltersGiveKnownAnswers)
{
    // upper, lower, top field, bottom field, top edge, bottom edge
    const uint8_t cases[][6] = {{0, 255, 64, 191, 32, 96},   {255, 0, 191, 64, 223, 160},
                                {255, 255, 255, 255, 223, 160}, {0, 0, 0, 0, 32, 96},
                                {0, 2, 1, 2, 32, 96},         {2, 0, 2, 1, 34, 97},
                                {1, 0, 1, 0, 33, 96},         {128, 128, 128, 128, 128, 128}};
    for (const auto& c : cases) {
        // One quad in the upper row and one in the lower, 4 bytes further on;
        // the third byte of each output row must stay untouched.
        const uint8_t rows[8] = {c[0], 7, c[0], 9, c[1], 7, c[1], 9};
        uint8_t u[2], v[2];
        const auto check = [&](uint8_t want, const char* kernel) {
            EXPECT_EQ(u[0], want) << kernel << " of " << int(c[0]) << " over " << int(c[1]);
            EXPECT_EQ(v[0], want) << kernel << " of " << int(c[0]) << " over " << int(c[1]);
            EXPECT_EQ(u[1], 0xEE) << kernel << " wrote past its row";
            u[0] = v[0] = 0;
            u[1] = v[1] = 0xEE;
        };
        u[1] = v[1] = 0xEE;
        chroma_top_field(u, v, rows, 2, 4);
        check(c[2], "chroma_top_field");
        chroma_bottom_field(u, v, rows, 2, 4);
        check(c[3], "chroma_bottom_field");
        chroma_top_edge(u, v, rows, 2);
        check(c[4], "chroma_top_edge");
        chroma_bottom_edge(u, v, rows, 2);
        check(c[5], "chroma_bottom_edge");
    }
}

TEST(RowKernels, LumaComesFromY0AndY1OfEachQuad)
{
    const uint8_t row[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    uint8_t luma[5] = {0, 0, 0, 0, 0xEE};
    copy_luma_row(luma, row, 4);
    EXPECT_EQ(std::vector<uint8_t>(luma, luma + 5), (std::vector<uint8_t>{20, 40, 60, 80, 0xEE}));
}

} // namespace
