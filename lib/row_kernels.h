#pragma once

#include "lib/formats.h"
#include "lib/frame_layout.h"

#include <cstdint>
#include <type_traits>

// Row kernels know nothing of fields, edges or frames. A kernel converts row
// pairs: two rows of a 4:2:2 frame and the rows of a 4:2:0 frame that meet
// them, two luma rows and one chroma row. It takes them two pairs at a time,
// side by side, in a run of such row groups, each lying a fixed number of
// bytes below the one before in every plane. `width` is a count of pixels,
// even; a kernel handles pixels 0 to width - 1 and writes nothing else (of
// v210, the whole groups of six pixels that hold them).
//
// From 4:2:2 into 4:2:0: full[0] and full[1] are read, and give the luma rows
// half[0].plane[0] and half[1].plane[0] and the chroma row in half[0]'s planes
// 1 and 2. A chroma sample is (weight * near + (4 - weight) * far) / 4, near
// from full[0], at the source's depth; 3 for a field's row, 2 for the mean of
// two rows of one picture.
//
// From 4:2:0 back into 4:2:2: half[0] and half[1] are read: the luma rows of
// full[0] and full[1], and two chroma rows of one field, A in half[0]'s planes
// 1 and 2 and B in half[1]'s. full[0] gets the chroma (weight * A + (8 -
// weight) * B) / 8, full[1] ((weight - 4) * A + (12 - weight) * B) / 8, at the
// source's depth: 5 for rows of a top field, 7 for a bottom field's, 6 for a
// picture's. full[1] may be full[0] itself where A and B are one row, and the
// two luma rows one row: both then get the same bytes. Of v210, the groups of
// six pixels are written whole, the samples past `width` zero.
//
// Each sample is rounded once, halves up, into the output's depth: (sum + 2)
// >> 2 at the same depth, min(255, (sum + 8) >> 4) from 10 bits to 8, the
// sum itself from 8 bits to 10, for a sum of weight 4; (sum + 4) >> 3,
// min(255, (sum + 16) >> 5) and (sum + 1) >> 1 for a sum of weight 8. Luma is
// unchanged, min(255, (Y + 2) >> 2) from 10 bits to 8, Y << 2 from 8 to 10.
struct RowPair {
    Rows full[2]; // two rows of the 4:2:2 frame
    Rows half[2]; // the 4:2:0 rows that meet them
    int32_t weight;
};

struct RowGroups {
    RowPair first[2];       // the two row pairs of the first group
    ptrdiff_t full_step[3]; // bytes from each plane's row of one group to the next group's
    ptrdiff_t half_step[3];
    int32_t count;          // row groups
    int32_t width;
};

using RowGroupFunction = void (*)(const RowGroups& groups);

// Row pair k of group n of a run, of the formats of `pair`.
template <Pair pair>
inline RowPair pair_at(const RowGroups& groups, int32_t k, int32_t n)
{
    constexpr bool fold = !unfolds(pair);
    constexpr int32_t full_planes = plane_count(format_info(fold ? pair.source : pair.output));
    constexpr int32_t half_planes = plane_count(format_info(fold ? pair.output : pair.source));
    RowPair r = groups.first[k];
    for (int32_t j = 0; j < 2; ++j) {
        for (int32_t p = 0; p < full_planes; ++p)
            r.full[j].plane[p] += n * groups.full_step[p];
        // Of the 4:2:0 rows, a fold writes one chroma row.
        for (int32_t p = 0; p < (fold && j == 1 ? 1 : half_planes); ++p)
            r.half[j].plane[p] += n * groups.half_step[p];
    }
    return r;
}

// The plain C kernel of pair `pair` (its place in `pairs`), the reference
// that every vector kernel equals byte for byte. It alone takes rows that are
// missing, in a run of one group: from 4:2:2, a null full[k] is neutral
// chroma (128, or 512 at 10 bits) at its weight, with no luma row; into
// 4:2:2, a null full[1] is a row not written.
RowGroupFunction plain_kernel(int32_t pair);

// The rows of `groups` from pixel x on, and their width, for the kernel of
// `pair`: x is even, and of a v210 row a multiple of 6.
inline RowGroups from_pixel(const RowGroups& groups, Pair pair, int32_t x)
{
    RowGroups rest = groups;
    const bool fold = !unfolds(pair);
    const Format full = format_info(fold ? pair.source : pair.output);
    const Format half = format_info(fold ? pair.output : pair.source);
    for (RowPair& r : rest.first)
        for (int j = 0; j < 2; ++j)
            for (int32_t p = 0; p < 3; ++p) {
                if (r.full[j].plane[p])
                    r.full[j].plane[p] += bytes_holding(full, p, x);
                if (r.half[j].plane[p])
                    r.half[j].plane[p] += bytes_holding(half, p, x);
            }
    rest.width = groups.width - x;
    return rest;
}

// Runs `step(x)`, x a size_t, over a row of `width` pixels in whole steps of
// `pixels`, the last step moved back to end at `width`, so that it does again
// some of the step before it: every step stores exactly its own pixels, and
// the bytes it stores again are the same. Returns the pixels done: `width`,
// or 0 for a row narrower than one step.
template <int32_t pixels, typename Step>
inline int32_t each_step(int32_t width, Step step)
{
    if (width < pixels)
        return 0;
    for (size_t x = 0; x + pixels <= size_t(width); x += pixels)
        step(x);
    if (width % pixels)
        step(size_t(width - pixels));
    return width;
}

using First = std::integral_constant<int, 0>;
using Second = std::integral_constant<int, 1>;

// A vector kernel's run of row groups: `step(r, x, k)` on every row pair r,
// k its place in its group as a std::integral_constant, in steps of `pixels`
// (of v210, over the groups of six pixels the row uses whole); the pixels
// left go to the plain C kernel. Into 4:2:0 the two pairs of a group go side
// by side, step by step, from a packed source, and one after the other from
// a planar one, whose rows in flight are three times as many: each way
// measured the faster. Back into 4:2:2 they go side by side. The steps are
// inlined by force, as the compiler would otherwise call the larger ones,
// loading their constants anew.
template <Pair pair, int32_t pixels, typename Step>
inline void run_row_groups(const RowGroups& groups, Step step)
{
    constexpr bool v210 = format_info(pair.source).layout == Layout::v210 ||
                          format_info(pair.output).layout == Layout::v210;
    constexpr bool side_by_side = unfolds(pair) || packed(format_info(pair.source));
    const int32_t width = v210 ? groups.width / 6 * 6 : groups.width;
    int32_t done = 0;
    for (int32_t n = 0; n < groups.count; ++n) {
        const RowPair a = pair_at<pair>(groups, 0, n), b = pair_at<pair>(groups, 1, n);
        if constexpr (side_by_side) {
            done = each_step<pixels>(width, [&](size_t x) __attribute__((always_inline)) {
                step(a, x, First());
                step(b, x, Second());
            });
        } else {
            each_step<pixels>(width, [&](size_t x) __attribute__((always_inline)) { step(a, x, First()); });
            done = each_step<pixels>(width, [&](size_t x) __attribute__((always_inline)) { step(b, x, Second()); });
        }
    }
    if (done < groups.width)
        plain_kernel(pair_index(pair.source, pair.output))(from_pixel(groups, pair, done));
}
