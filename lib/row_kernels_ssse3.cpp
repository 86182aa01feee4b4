#include "lib/kernel_set.h"

#include <array>
#include <cstring>
#include <tmmintrin.h>
#include <type_traits>

// The v210 pairs, both ways, for the x86-64 processors without AVX2: one
// group of six pixels a register. From v210 a step is four groups, 24 pixels;
// into v210 eight, 48 pixels, so that every 16-byte window of a 4:2:0 row
// lies within the step's bytes. The last step of a row is moved back to end
// at the row's end (each_step); the groups a row uses in part, and rows
// narrower than one step, run in plain C.

namespace {

using Vector = __m128i;

[[gnu::always_inline]] inline Vector load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

[[gnu::always_inline]] inline Vector load_half(const uint8_t* p)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

[[gnu::always_inline]] inline void store(uint8_t* p, Vector v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

[[gnu::always_inline]] inline void store_half(uint8_t* p, Vector v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

[[gnu::always_inline]] inline void store_quarter(uint8_t* p, Vector v)
{
    const int32_t bytes = _mm_cvtsi128_si32(v);
    std::memcpy(p, &bytes, 4);
}

using Bytes = std::array<int8_t, 16>;

// A byte shuffle of a window loaded `back` bytes early; -1 places zero.
template <Bytes from, int8_t back = 0>
constexpr Bytes moved_back()
{
    Bytes bytes{};
    for (size_t i = 0; i < 16; ++i)
        bytes[i] = from[i] < 0 ? int8_t(-1) : int8_t(from[i] + back);
    return bytes;
}

template <Bytes from, int8_t back = 0>
[[gnu::always_inline]] inline Vector placed(Vector window)
{
    alignas(16) static constexpr Bytes bytes = moved_back<from, back>();
    return _mm_shuffle_epi8(window, _mm_load_si128(reinterpret_cast<const __m128i*>(bytes.data())));
}

// Words of at most 1023 (luma), or 4092 (chroma sums of weight 4), rounded:
// (x + 2) >> 2 or (x + 8) >> 4 by one multiply.
[[gnu::always_inline]] inline Vector rounded(Vector x, int shift)
{
    return _mm_mulhrs_epi16(x, _mm_set1_epi16(int16_t(1 << (15 - shift))));
}

// 10-bit samples into words: bits 0-9 of a planar layout, 6-15 of a
// semi-planar one.
template <Layout layout>
[[gnu::always_inline]] inline Vector words(Vector samples)
{
    return layout == Layout::semi_planar ? _mm_slli_epi16(samples, 6) : samples;
}

// The samples of a v210 group, each in a 16-bit lane: the bytes that hold it,
// multiplied so that its top bit is bit 15, and shifted down. The luma of
// pixels 0-5, or the chroma of pixel pairs 0-2 as Cb, Cr pairs; the last two
// words are zero.
[[gnu::always_inline]] inline Vector v210_luma(Vector group)
{
    const Vector bytes = placed<Bytes{1, 2, 4, 5, 6, 7, 9, 10, 12, 13, 14, 15, -1, -1, -1, -1}>(group);
    return _mm_srli_epi16(_mm_mullo_epi16(bytes, _mm_setr_epi16(16, 64, 4, 16, 64, 4, 0, 0)), 6);
}

[[gnu::always_inline]] inline Vector v210_chroma(Vector group)
{
    const Vector bytes = placed<Bytes{0, 1, 2, 3, 5, 6, 8, 9, 10, 11, 13, 14, -1, -1, -1, -1}>(group);
    return _mm_srli_epi16(_mm_mullo_epi16(bytes, _mm_setr_epi16(64, 4, 16, 64, 4, 16, 0, 0)), 6);
}

// Three vectors of 8 words in order from four of 6 words.
struct Three {
    Vector v[3];
};

[[gnu::always_inline]] inline Three in_order(const Vector (&sixes)[4])
{
    return {{_mm_or_si128(sixes[0], _mm_slli_si128(sixes[1], 12)),
             _mm_or_si128(_mm_srli_si128(sixes[1], 4), _mm_slli_si128(sixes[2], 8)),
             _mm_or_si128(_mm_srli_si128(sixes[2], 8), _mm_slli_si128(sixes[3], 4))}};
}

// Cb, Cr pairs of bytes or words as Cb | Cr.
[[gnu::always_inline]] inline Vector apart_bytes(Vector uv)
{
    return placed<Bytes{0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15}>(uv);
}

[[gnu::always_inline]] inline Vector apart_words(Vector uv)
{
    return placed<Bytes{0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15}>(uv);
}

// Of a fold, the weights of the near row and of the far one, in words.
template <Pair pair>
[[gnu::always_inline]] inline void fold_v210_step(const RowPair& r, size_t x, const Vector (&w)[2])
{
    constexpr Format output = format_info(pair.output);
    Vector luma[2][4], sums[4];
    for (int g = 0; g < 4; ++g) {
        Vector chroma[2];
        for (int k = 0; k < 2; ++k) {
            const Vector group = load(r.full[k].plane[0] + x / 6 * 16 + 16 * size_t(g));
            luma[k][g] = v210_luma(group);
            chroma[k] = v210_chroma(group);
        }
        // (sum + 8) >> 4 into 8 bits, (sum + 2) >> 2 into 10.
        const Vector sum = _mm_add_epi16(_mm_mullo_epi16(chroma[0], w[0]), _mm_mullo_epi16(chroma[1], w[1]));
        sums[g] = rounded(sum, output.depth == 8 ? 4 : 2);
    }
    for (int k = 0; k < 2; ++k) {
        Three y = in_order(luma[k]);
        uint8_t* const to = r.half[k].plane[0];
        if constexpr (output.depth == 8) {
            store(to + x, _mm_packus_epi16(rounded(y.v[0], 2), rounded(y.v[1], 2)));
            const Vector last = rounded(y.v[2], 2);
            store_half(to + x + 16, _mm_packus_epi16(last, last));
        } else {
            for (int i = 0; i < 3; ++i)
                store(to + 2 * x + 16 * i, words<output.layout>(y.v[i]));
        }
    }
    const Three uv = in_order(sums);
    const Rows& c = r.half[0];
    if constexpr (output.depth == 8) {
        const Vector first = _mm_packus_epi16(uv.v[0], uv.v[1]), last = _mm_packus_epi16(uv.v[2], uv.v[2]);
        if constexpr (output.layout == Layout::semi_planar) {
            store(c.plane[1] + x, first);
            store_half(c.plane[1] + x + 16, last);
        } else {
            // U0-7 | V0-7, then U8-11 V8-11.
            const Vector a = apart_bytes(first), b = apart_bytes(last);
            store_half(c.plane[1] + x / 2, a);
            store_half(c.plane[2] + x / 2, _mm_srli_si128(a, 8));
            store_quarter(c.plane[1] + x / 2 + 8, b);
            store_quarter(c.plane[2] + x / 2 + 8, _mm_srli_si128(b, 8));
        }
    } else if constexpr (output.layout == Layout::semi_planar) {
        for (int i = 0; i < 3; ++i)
            store(c.plane[1] + 2 * x + 16 * i, words<Layout::semi_planar>(uv.v[i]));
    } else {
        // U | V of pairs 0-3, 4-7 and 8-11.
        const Vector a = apart_words(uv.v[0]), b = apart_words(uv.v[1]), d = apart_words(uv.v[2]);
        store(c.plane[1] + x, _mm_unpacklo_epi64(a, b));
        store(c.plane[2] + x, _mm_unpackhi_epi64(a, b));
        store_half(c.plane[1] + x + 16, d);
        store_half(c.plane[2] + x + 16, _mm_srli_si128(d, 8));
    }
}

template <Pair pair>
void fold_ssse3(const RowGroups& groups)
{
    const int weight = groups.first[0].weight;
    const Vector w[2] = {_mm_set1_epi16(int16_t(weight)), _mm_set1_epi16(int16_t(4 - weight))};
    run_row_groups<pair, 24>(groups, [&](const RowPair& r, size_t x, auto) __attribute__((always_inline)) {
        fold_v210_step<pair>(r, x, w);
    });
}

// Into v210, a group a register, its samples put straight into the fields of
// its four 32-bit words as the AVX2 kernel does: fields 0 and 1 as the two
// halves of each word (Cb0 Y0, Y1 Cb1, Cr1 Y3, Y4 Cr2), summed by a
// multiply-add by their place values, and field 2 in the upper half (Cr0, Y2,
// Cb2, Y5), moved to bit 20 by a multiply. Chroma is mixed in its fields.

// A window of 16 bytes of a row from byte `start` of a step of `step_bytes`:
// one that would end past them starts `back` bytes early, and its shuffles
// read that much further on.
template <int start, int step_bytes>
constexpr int8_t back = int8_t(start + 16 > step_bytes ? start + 16 - step_bytes : 0);

template <int start, int step_bytes>
[[gnu::always_inline]] inline Vector window(const uint8_t* row)
{
    return load(row + start - back<start, step_bytes>);
}

// 10-bit samples of a window of words: bits 0-9 of a planar layout, 6-15 of a
// semi-planar one.
template <Layout layout>
[[gnu::always_inline]] inline Vector clean(Vector words)
{
    return layout == Layout::semi_planar ? _mm_srli_epi16(words, 6) : _mm_and_si128(words, _mm_set1_epi16(0x3FF));
}

// Of the chroma rows A and B, the samples of each field of group g of a step:
// of an 8-bit source the A and B bytes side by side in the field's word, for
// the multiply-add of the mix (low[0], high[0]); of a 10-bit one A's words and
// B's. Cb0, Cb1, Cr1, Cr2 in fields 0 and 1 (`low`), Cr0 and Cb2 in field 2
// (`high`).
template <int32_t code, int g>
[[gnu::always_inline]] inline void chroma_fields(const RowPair& r, size_t x, Vector (&low)[2], Vector (&high)[2])
{
    constexpr Format source = format_info(code);
    if constexpr (source.depth == 8) {
        // Cb0 Cr0 Cb1 Cr1 Cb2 Cr2 of a group: a window of a semi-planar row,
        // or eight U and eight V bytes of a planar one, interleaved into the
        // same order.
        constexpr bool planar = source.layout == Layout::planar;
        constexpr int b = planar ? 2 * (3 * g + 8 > 24 ? 3 * g + 8 - 24 : 0) : back<6 * g, 48>;
        const auto paired = [&](const Rows& row) {
            if constexpr (planar) {
                const size_t at = x / 2 + 3 * g - b / 2;
                return _mm_unpacklo_epi8(load_half(row.plane[1] + at), load_half(row.plane[2] + at));
            } else {
                return window<6 * g, 48>(row.plane[1] + x);
            }
        };
        const Vector wa = paired(r.half[0]), wb = paired(r.half[1]);
        low[0] = _mm_or_si128(placed<Bytes{0, -1, -1, -1, -1, -1, 2, -1, 3, -1, -1, -1, -1, -1, 5, -1}, b>(wa),
                              placed<Bytes{-1, 0, -1, -1, -1, -1, -1, 2, -1, 3, -1, -1, -1, -1, -1, 5}, b>(wb));
        high[0] = _mm_or_si128(placed<Bytes{-1, -1, 1, -1, -1, -1, -1, -1, -1, -1, 4, -1, -1, -1, -1, -1}, b>(wa),
                               placed<Bytes{-1, -1, -1, 1, -1, -1, -1, -1, -1, -1, -1, 4, -1, -1, -1, -1}, b>(wb));
    } else if constexpr (source.layout == Layout::semi_planar) {
        constexpr int start = 12 * g, end = 96, b = back<start, end>;
        for (int ab = 0; ab < 2; ++ab) {
            const Vector w = clean<Layout::semi_planar>(window<start, end>(r.half[ab].plane[1] + 2 * x));
            low[ab] = placed<Bytes{0, 1, -1, -1, -1, -1, 4, 5, 6, 7, -1, -1, -1, -1, 10, 11}, b>(w);
            high[ab] = placed<Bytes{-1, -1, 2, 3, -1, -1, -1, -1, -1, -1, 8, 9, -1, -1, -1, -1}, b>(w);
        }
    } else {
        constexpr int start = 6 * g, end = 48, b = back<start, end>;
        for (int ab = 0; ab < 2; ++ab) {
            const Vector u = clean<Layout::planar>(window<start, end>(r.half[ab].plane[1] + x));
            const Vector v = clean<Layout::planar>(window<start, end>(r.half[ab].plane[2] + x));
            low[ab] = _mm_or_si128(placed<Bytes{0, 1, -1, -1, -1, -1, 2, 3, -1, -1, -1, -1, -1, -1, -1, -1}, b>(u),
                                   placed<Bytes{-1, -1, -1, -1, -1, -1, -1, -1, 2, 3, -1, -1, -1, -1, 4, 5}, b>(v));
            high[ab] = _mm_or_si128(placed<Bytes{-1, -1, 0, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}, b>(v),
                                    placed<Bytes{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 4, 5, -1, -1, -1, -1}, b>(u));
        }
    }
}

// Of each row of the pair, the weights of A and B: in the bytes of each word
// from an 8-bit source, in words from a 10-bit one.
template <Pair pair, int g>
[[gnu::always_inline]] inline void unfold_v210_group(const RowPair& r, size_t x, const Vector (&w)[2][2])
{
    constexpr Format source = format_info(pair.source);
    constexpr bool bytes = source.depth == 8;
    // Fields 0 and 1 by their place values (and 8-bit luma by four more);
    // field 2 by 16 in the upper half (Cr0, Y2, Cb2, Y5), 8-bit luma by 64.
    const Vector low_places = bytes ? _mm_setr_epi16(1, 4096, 4, 1024, 1, 4096, 4, 1024)
                                    : _mm_set1_epi32(1024 << 16 | 1);
    const Vector high_places = bytes ? _mm_setr_epi16(0, 16, 0, 64, 0, 16, 0, 64) : _mm_set1_epi32(16 << 16);
    Vector low[2], high[2];
    chroma_fields<pair.source, g>(r, x, low, high);
    for (int k = 0; k < 2; ++k) {
        Vector chroma_low, chroma_high, luma_low, luma_high;
        if constexpr (bytes) {
            // (sum + 1) >> 1 of eighths: 10 bits from 8.
            chroma_low = _mm_avg_epu16(_mm_maddubs_epi16(low[0], w[k][0]), _mm_setzero_si128());
            chroma_high = _mm_avg_epu16(_mm_maddubs_epi16(high[0], w[k][0]), _mm_setzero_si128());
            constexpr int start = 6 * g, end = 48, b = back<start, end>;
            const Vector y = window<start, end>(r.half[k].plane[0] + x);
            luma_low = placed<Bytes{-1, -1, 0, -1, 1, -1, -1, -1, -1, -1, 3, -1, 4, -1, -1, -1}, b>(y);
            luma_high = placed<Bytes{-1, -1, -1, -1, -1, -1, 2, -1, -1, -1, -1, -1, -1, -1, 5, -1}, b>(y);
        } else {
            // (sum + 4) >> 3 of eighths.
            const Vector wa = w[k][0], wb = w[k][1];
            chroma_low = rounded(_mm_add_epi16(_mm_mullo_epi16(low[0], wa), _mm_mullo_epi16(low[1], wb)), 3);
            chroma_high = rounded(_mm_add_epi16(_mm_mullo_epi16(high[0], wa), _mm_mullo_epi16(high[1], wb)), 3);
            constexpr int start = 12 * g, end = 96, b = back<start, end>;
            const Vector y = clean<source.layout>(window<start, end>(r.half[k].plane[0] + 2 * x));
            luma_low = placed<Bytes{-1, -1, 0, 1, 2, 3, -1, -1, -1, -1, 6, 7, 8, 9, -1, -1}, b>(y);
            luma_high = placed<Bytes{-1, -1, -1, -1, -1, -1, 4, 5, -1, -1, -1, -1, -1, -1, 10, 11}, b>(y);
        }
        const Vector third = _mm_mullo_epi16(_mm_or_si128(chroma_high, luma_high), high_places);
        store(r.full[k].plane[0] + x / 6 * 16 + 16 * g,
              _mm_or_si128(_mm_madd_epi16(_mm_or_si128(chroma_low, luma_low), low_places), third));
    }
}

template <Pair pair, int... g>
[[gnu::always_inline]] inline void unfold_v210_step(const RowPair& r, size_t x, const Vector (&w)[2][2],
                                                    std::integer_sequence<int, g...>)
{
    (unfold_v210_group<pair, g>(r, x, w), ...);
}

// The steps are inlined by force, as the compiler would otherwise call them,
// loading their constants anew: measured faster.
template <Pair pair>
void unfold_ssse3(const RowGroups& groups)
{
    Vector w[2][2][2];
    for (int k = 0; k < 2; ++k)
        for (int row = 0; row < 2; ++row) {
            const int a = groups.first[k].weight - 4 * row;
            w[k][row][0] = format_info(pair.source).depth == 8 ? _mm_set1_epi16(int16_t((8 - a) << 8 | a))
                                                               : _mm_set1_epi16(int16_t(a));
            w[k][row][1] = _mm_set1_epi16(int16_t(8 - a));
        }
    run_row_groups<pair, 48>(groups, [&](const RowPair& r, size_t x, auto k) __attribute__((always_inline)) {
        unfold_v210_step<pair>(r, x, w[k.value], std::make_integer_sequence<int, 8>());
    });
}

// The rung's tag.
struct Ssse3 {
    static constexpr const char* name = "ssse3";
};

template <Pair pair>
constexpr RowGroupFunction kernel_of(Ssse3)
{
    constexpr Format source = format_info(pair.source), output = format_info(pair.output);
    if constexpr (unfolds(pair) && output.layout == Layout::v210)
        return unfold_ssse3<pair>;
    else if constexpr (!unfolds(pair) && source.layout == Layout::v210)
        return fold_ssse3<pair>;
    else
        return nullptr;
}

} // namespace

const KernelSet& ssse3_kernel_set()
{
    return kernel_set<Ssse3>;
}
