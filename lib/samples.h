#pragma once

#include "lib/formats.h"
#include "lib/frame_layout.h"

#include <algorithm>
#include <cstdint>

// Sample by sample access to the rows of every layout, for the plain C kernels
// and the edge fills, the rows taken by value so that no store can move them: the luma of pixel x, and chroma c (0: Cb, 1: Cr) of
// pixel pair i, which covers pixels 2i and 2i+1. Planar rows are read from
// their planes' rows, packed ones from plane 0. Called with a constant format,
// each folds into the code of that format alone.

namespace samples {

inline uint32_t word_at(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

inline void set_word(uint8_t* p, uint32_t word)
{
    p[0] = uint8_t(word);
    p[1] = uint8_t(word >> 8);
}

// Where each sample of a v210 group of six pixels lies, as a 32-bit word and
// a field of ten bits in it: the luma of pixels 0 to 5, and the Cb and the Cr
// of pixel pairs 0 to 2.
constexpr int32_t v210_luma[6][2] = {{0, 1}, {1, 0}, {1, 2}, {2, 1}, {3, 0}, {3, 2}};
constexpr int32_t v210_chroma[2][3][2] = {{{0, 0}, {1, 1}, {2, 2}}, {{0, 2}, {2, 0}, {3, 1}}};

inline uint8_t* v210_word(uint8_t* row, int32_t group, int32_t word)
{
    return row + 16 * group + 4 * word;
}

inline uint32_t v210_sample(const uint8_t* word, int32_t field)
{
    const uint32_t bits = uint32_t(word[0]) | uint32_t(word[1]) << 8 | uint32_t(word[2]) << 16 |
                          uint32_t(word[3]) << 24;
    return bits >> (10 * field) & 0x3FF;
}

// Replaces one field of a v210 word, and clears bits 30-31.
inline void set_v210_sample(uint8_t* word, int32_t field, uint32_t value)
{
    uint32_t bits = uint32_t(word[0]) | uint32_t(word[1]) << 8 | uint32_t(word[2]) << 16 |
                    uint32_t(word[3]) << 24;
    bits = (bits & ~(0x3FFu << (10 * field)) & 0x3FFFFFFF) | value << (10 * field);
    for (int b = 0; b < 4; ++b)
        word[b] = uint8_t(bits >> (8 * b));
}

// Sample `index` of a planar row: a byte, or the 10 bits of a word that hold it.
inline uint32_t planar_sample(const Format& f, const uint8_t* row, int32_t index)
{
    if (f.depth == 8)
        return row[index];
    return word_at(row + 2 * index) >> word_shift(f) & 0x3FF;
}

inline void set_planar_sample(const Format& f, uint8_t* row, int32_t index, uint32_t value)
{
    if (f.depth == 8)
        row[index] = uint8_t(value);
    else
        set_word(row + 2 * index, value << word_shift(f));
}

} // namespace samples

inline uint32_t luma_at(const Format& f, Rows rows, int32_t x)
{
    using namespace samples;
    const uint8_t* row = rows.plane[0];
    switch (f.layout) {
    case Layout::uyvy: return row[2 * x + 1];
    case Layout::yuy2: return row[2 * x];
    case Layout::v210: return v210_sample(row + 16 * (x / 6) + 4 * v210_luma[x % 6][0], v210_luma[x % 6][1]);
    default: return planar_sample(f, row, x);
    }
}

template <int32_t c>
inline uint32_t chroma_at(const Format& f, Rows rows, int32_t i)
{
    using namespace samples;
    const uint8_t* row = rows.plane[0];
    switch (f.layout) {
    case Layout::uyvy: return row[4 * i + 2 * c];
    case Layout::yuy2: return row[4 * i + 2 * c + 1];
    case Layout::v210:
        return v210_sample(row + 16 * (i / 3) + 4 * v210_chroma[c][i % 3][0], v210_chroma[c][i % 3][1]);
    case Layout::planar: return planar_sample(f, rows.plane[1 + c], i);
    default: return planar_sample(f, rows.plane[1], 2 * i + c);
    }
}

inline void put_luma(const Format& f, Rows rows, int32_t x, uint32_t value)
{
    using namespace samples;
    uint8_t* row = rows.plane[0];
    switch (f.layout) {
    case Layout::uyvy: row[2 * x + 1] = uint8_t(value); break;
    case Layout::yuy2: row[2 * x] = uint8_t(value); break;
    case Layout::v210:
        set_v210_sample(v210_word(row, x / 6, v210_luma[x % 6][0]), v210_luma[x % 6][1], value);
        break;
    default: set_planar_sample(f, row, x, value);
    }
}

template <int32_t c>
inline void put_chroma(const Format& f, Rows rows, int32_t i, uint32_t value)
{
    using namespace samples;
    uint8_t* row = rows.plane[0];
    switch (f.layout) {
    case Layout::uyvy: row[4 * i + 2 * c] = uint8_t(value); break;
    case Layout::yuy2: row[4 * i + 2 * c + 1] = uint8_t(value); break;
    case Layout::v210:
        set_v210_sample(v210_word(row, i / 3, v210_chroma[c][i % 3][0]), v210_chroma[c][i % 3][1], value);
        break;
    case Layout::planar: set_planar_sample(f, rows.plane[1 + c], i, value); break;
    default: set_planar_sample(f, rows.plane[1], 2 * i + c, value);
    }
}

// A sum of samples of `from_depth` bits, scaled by 2^`scale` (the sum of its
// weights), as one sample of `to_depth` bits: rounded once, halves up, where
// bits are dropped, and saturated where 10 bits become 8; multiplied where
// bits are gained.
constexpr uint32_t rounded(uint32_t sum, int32_t scale, int32_t from_depth, int32_t to_depth)
{
    const int32_t shift = scale + from_depth - to_depth;
    if (shift <= 0)
        return sum << -shift;
    const uint32_t value = (sum + (1u << (shift - 1))) >> shift;
    return from_depth > to_depth ? std::min((1u << to_depth) - 1, value) : value;
}

// Black luma and neutral chroma at `depth` bits.
constexpr uint32_t black(int32_t depth)
{
    return 16u << (depth - 8);
}

constexpr uint32_t neutral(int32_t depth)
{
    return 1u << (depth - 1);
}
