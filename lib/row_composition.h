#pragma once

#include "lib/row_kernels.h"

#include <cstddef>

// A vector rung's kernel of a pair, composed of the rung's reader of the
// source's rows and its writer of the output's, with the field-aware mix once
// between them: a new layout needs a reader or a writer on each rung, and
// nothing per pair.
//
// A rung is an empty tag type, and finds its parts by it (argument-dependent
// lookup), each a function of the rung's file:
//
//   block_pixels(rung, depth): the pixels of a block of samples of that depth;
//   read_row<code>(rung, row, x): the blocks of a 4:2:2 row from pixel x, as
//     `.block[b]`, each a `.luma` and a `.chroma` at the source's depth: one
//     block, or three of v210;
//   read_luma<code>(rung, row, x), read_chroma<code>(rung, rows, x): a block of
//     a 4:2:0 row's luma and of its chroma;
//   weights<depth, total>(rung, a, b) and mix(rung, a, b, weights): the chroma
//     of two rows summed, a's weight and b's (which add up to `total`, 4 into
//     4:2:0 and 8 back), at full precision;
//   write_luma<output, source>(rung, row, x, luma), write_chroma<output,
//     source>(rung, rows, x, sums): a block into a 4:2:0 row, each sample
//     rounded once into the output's depth;
//   write_row<output, source>(rung, row, x, luma, sums): the blocks of a 4:2:2
//     row, one, or three into v210.

// How a reader lays out a block's chroma, and its writer takes it: Cb | Cr,
// or the Cb, Cr pairs in order. A reader gives a layout's chroma as
// chroma_order says: the pairs as semi-planar rows and v210 hold them, Cb |
// Cr from planar rows and from packed 8-bit ones, which a reader sorts
// anyway; the writer lays the sums out as its own layout holds them.
enum class ChromaOrder { planes, in_pairs };

template <int32_t code>
constexpr ChromaOrder chroma_order =
    format_info(code).layout == Layout::semi_planar || format_info(code).layout == Layout::v210 ? ChromaOrder::in_pairs
                                                                                                : ChromaOrder::planes;

// Into 4:2:0: each row's luma as it is, the chroma of the near row and the
// far one mixed 3:1 (a field's) or 2:2 (a picture's).
template <typename Rung, Pair pair>
void composed_fold(const RowGroups& groups)
{
    constexpr Format source = format_info(pair.source);
    constexpr int pixels = block_pixels(Rung(), source.depth);
    constexpr size_t blocks = source.layout == Layout::v210 ? 3 : 1;
    const auto w = weights<source.depth, 4>(Rung(), groups.first[0].weight, 4 - groups.first[0].weight);
    run_row_groups<pair, pixels * blocks>(groups, [&](const RowPair& r, size_t x, auto) __attribute__((always_inline)) {
        const auto near = read_row<pair.source>(Rung(), r.full[0], x), far = read_row<pair.source>(Rung(), r.full[1], x);
        for (size_t b = 0; b < blocks; ++b) {
            const size_t at = x + pixels * b;
            write_luma<pair.output, pair.source>(Rung(), r.half[0].plane[0], at, near.block[b].luma);
            write_luma<pair.output, pair.source>(Rung(), r.half[1].plane[0], at, far.block[b].luma);
            write_chroma<pair.output, pair.source>(Rung(), r.half[0], at,
                                                   mix(Rung(), near.block[b].chroma, far.block[b].chroma, w));
        }
    });
}

// Back into 4:2:2: both rows of a pair from their luma rows and the same two
// chroma rows A and B, read once; the first row takes `weight` eighths of A,
// the second four fewer.
template <typename Rung, Pair pair>
void composed_unfold(const RowGroups& groups)
{
    constexpr int depth = format_info(pair.source).depth, pixels = block_pixels(Rung(), depth);
    constexpr size_t blocks = format_info(pair.output).layout == Layout::v210 ? 3 : 1;
    using Weights = decltype(weights<depth, 8>(Rung(), 0, 0));
    Weights w[2][2];
    for (int k = 0; k < 2; ++k)
        for (int row = 0; row < 2; ++row) {
            const int a = groups.first[k].weight - 4 * row;
            w[k][row] = weights<depth, 8>(Rung(), a, 8 - a);
        }
    run_row_groups<pair, pixels * blocks>(groups, [&](const RowPair& r, size_t x, auto k) __attribute__((always_inline)) {
        using Luma = decltype(read_luma<pair.source>(Rung(), r.half[0].plane[0], x));
        using Sums = decltype(mix(Rung(), read_chroma<pair.source>(Rung(), r.half[0], x),
                                  read_chroma<pair.source>(Rung(), r.half[1], x), w[0][0]));
        Luma luma[2][blocks];
        Sums sums[2][blocks];
        for (size_t b = 0; b < blocks; ++b) {
            const size_t at = x + pixels * b;
            const auto a = read_chroma<pair.source>(Rung(), r.half[0], at);
            const auto c = read_chroma<pair.source>(Rung(), r.half[1], at);
            for (int row = 0; row < 2; ++row) {
                luma[row][b] = read_luma<pair.source>(Rung(), r.half[row].plane[0], at);
                sums[row][b] = mix(Rung(), a, c, w[k.value][row]);
            }
        }
        for (int row = 0; row < 2; ++row)
            write_row<pair.output, pair.source>(Rung(), r.full[row], x, luma[row], sums[row]);
    });
}
