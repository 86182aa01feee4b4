#include "convert/row_kernels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ChromaCase {
    uint8_t upper, lower, top, bottom;
};

// Known answers of both field filters, including the extremes and the rounding
// of a quarter-weighted sum, on U and on V.
TEST(RowKernels, FieldFiltersGiveKnownAnswers)
{
    const ChromaCase cases[] = {{0, 255, 64, 191}, {255, 0, 191, 64}, {255, 255, 255, 255},
                                {0, 0, 0, 0},      {0, 2, 1, 2},      {2, 0, 2, 1},
                                {1, 0, 1, 0},      {0, 1, 0, 1}};
    for (const ChromaCase& c : cases) {
        // Two quads per row; the lower row lies one row (8 bytes) further on.
        // V carries the same pair so a swapped U/V offset shows up too.
        const uint8_t rows[16] = {c.upper, 7, c.upper, 9, c.upper, 7, c.upper, 9,
                                  c.lower, 7, c.lower, 9, c.lower, 7, c.lower, 9};
        uint8_t u[3] = {0xEE, 0xEE, 0xEE};
        uint8_t v[3] = {0xEE, 0xEE, 0xEE};
        chroma_top_field(u, v, rows, 4, 8);
        EXPECT_EQ(u[0], c.top) << int(c.upper) << " over " << int(c.lower);
        EXPECT_EQ(u[1], c.top);
        EXPECT_EQ(v[0], c.top);
        EXPECT_EQ(u[2], 0xEE) << "wrote past the row";
        chroma_bottom_field(u, v, rows, 4, 8);
        EXPECT_EQ(u[0], c.bottom) << int(c.upper) << " over " << int(c.lower);
        EXPECT_EQ(v[1], c.bottom);
        EXPECT_EQ(v[2], 0xEE) << "wrote past the row";
    }
}

// A missing lower row counts as neutral 128 at its weight.
TEST(RowKernels, EdgeFiltersBlendTowardsNeutral)
{
    const uint8_t expected[][3] = {{0, 32, 96}, {255, 223, 160}, {128, 128, 128}, {1, 33, 96}};
    for (const auto& e : expected) {
        const uint8_t row[4] = {e[0], 9, e[0], 9};
        uint8_t u[2] = {0, 0xEE};
        uint8_t v[2] = {0, 0xEE};
        chroma_top_edge(u, v, row, 2);
        EXPECT_EQ(u[0], e[1]) << int(e[0]);
        EXPECT_EQ(v[0], e[1]) << int(e[0]);
        chroma_bottom_edge(u, v, row, 2);
        EXPECT_EQ(u[0], e[2]) << int(e[0]);
        EXPECT_EQ(v[0], e[2]) << int(e[0]);
        EXPECT_EQ(u[1], 0xEE);
        EXPECT_EQ(v[1], 0xEE);
    }
}

TEST(RowKernels, LumaAndChromaComeFromTheirOwnQuadBytes)
{
    // One upper row of two quads, then its lower row with other luma.
    const uint8_t row[16] = {10, 20, 30, 40, 50, 60, 70, 80, 10, 21, 30, 41, 50, 61, 70, 81};
    uint8_t luma[5] = {0, 0, 0, 0, 0xEE};
    copy_luma_row(luma, row, 4);
    EXPECT_EQ(std::vector<uint8_t>(luma, luma + 5), (std::vector<uint8_t>{20, 40, 60, 80, 0xEE}));
    uint8_t u[2] = {};
    uint8_t v[2] = {};
    chroma_top_field(u, v, row, 4, 8);
    EXPECT_EQ(std::vector<uint8_t>(u, u + 2), (std::vector<uint8_t>{10, 50}));
    EXPECT_EQ(std::vector<uint8_t>(v, v + 2), (std::vector<uint8_t>{30, 70}));
}

} // namespace
