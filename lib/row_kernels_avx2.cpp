#include "lib/kernel_set.h"

#include <array>
#include <cstring>
#include <immintrin.h>
#include <type_traits>

// Every step loads each source byte once and stores whole vectors of its own
// pixels, no more: the last step of a row is moved back to end at the row's
// end (each_step), and only the pixels of a v210 group that the row uses in
// part go to the plain C kernel.
//
// 8-bit sources, 32 pixels a step: luma as 32 bytes in order, chroma as U0-15
// | V0-15. 10-bit planar sources, 16 pixels a step: luma as 16 words, chroma
// as U0-7 | V0-7 in words. v210, 48 pixels (eight groups) a step: each 32
// bytes give, lane by lane, the luma of a group and its chroma as Cb, Cr pairs
// in 16-bit words; three vectors in pixel order are made of four.

namespace {

using Vector = __m256i;

[[gnu::always_inline]] inline Vector load(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

[[gnu::always_inline]] inline __m128i load_half(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

[[gnu::always_inline]] inline int64_t load_eighth(const uint8_t* p)
{
    int64_t bytes;
    std::memcpy(&bytes, p, sizeof bytes);
    return bytes;
}

[[gnu::always_inline]] inline Vector load_halves(const uint8_t* low, const uint8_t* high)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(load_half(low)), load_half(high), 1);
}

[[gnu::always_inline]] inline void store(uint8_t* p, Vector v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

[[gnu::always_inline]] inline void store(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

[[gnu::always_inline]] inline void store_quarter(uint8_t* p, __m128i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

[[gnu::always_inline]] inline __m128i low_half(Vector v)
{
    return _mm256_castsi256_si128(v);
}

[[gnu::always_inline]] inline __m128i high_half(Vector v)
{
    return _mm256_extracti128_si256(v, 1);
}

// The same 16-byte shuffle in both lanes.
[[gnu::always_inline]] inline Vector shuffle_lanes(Vector v, char b0, char b1, char b2, char b3, char b4, char b5, char b6, char b7,
                            char b8, char b9, char b10, char b11, char b12, char b13, char b14, char b15)
{
    return _mm256_shuffle_epi8(v, _mm256_setr_epi8(b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14,
                                                   b15, b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13,
                                                   b14, b15));
}

// U0-15 | V0-15 (bytes) or U0-7 | V0-7 (words) as U, V pairs in order.
[[gnu::always_inline]] inline Vector interleaved_bytes(Vector chroma)
{
    return shuffle_lanes(_mm256_permute4x64_epi64(chroma, 0xD8), 0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7,
                         15);
}

[[gnu::always_inline]] inline Vector interleaved_words(Vector chroma)
{
    return shuffle_lanes(_mm256_permute4x64_epi64(chroma, 0xD8), 0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14,
                         15);
}

// U, V pairs in order, 16 bytes or 8 words a lane, as U | V.
[[gnu::always_inline]] inline Vector apart_bytes(Vector uv)
{
    return _mm256_permute4x64_epi64(
        shuffle_lanes(uv, 0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15), 0xD8);
}

[[gnu::always_inline]] inline Vector apart_words(Vector uv)
{
    return _mm256_permute4x64_epi64(
        shuffle_lanes(uv, 0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15), 0xD8);
}

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far; and (near + far + 1) >> 1.
template <int weight>
[[gnu::always_inline]] inline Vector mix_bytes(Vector near, Vector far)
{
    if constexpr (weight == 2)
        return _mm256_avg_epu8(near, far);
    const Vector odd = _mm256_and_si256(_mm256_xor_si256(near, far), _mm256_set1_epi8(1));
    return _mm256_avg_epu8(near, _mm256_sub_epi8(_mm256_avg_epu8(near, far), odd));
}

// The same on 10-bit samples in words.
template <int weight>
[[gnu::always_inline]] inline Vector mix_words(Vector near, Vector far)
{
    if constexpr (weight == 2)
        return _mm256_avg_epu16(near, far);
    return _mm256_avg_epu16(near, _mm256_srli_epi16(_mm256_add_epi16(near, far), 1));
}

struct Pixels {
    Vector luma;
    Vector chroma; // U | V
};

// 32 pixels of an 8-bit 4:2:2 row from pixel x.
template <Layout layout>
[[gnu::always_inline]] inline Pixels load_8bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::planar)
        return {load(row.plane[0] + x), load_halves(row.plane[1] + x / 2, row.plane[2] + x / 2)};
    if constexpr (layout == Layout::semi_planar) {
        return {load(row.plane[0] + x), apart_bytes(load(row.plane[1] + x))};
    }
    // In each lane, the luma of four pixel pairs, then their U, then their V.
    // UYVY pairs are U Y0 V Y1; YUY2 Y0 U Y1 V.
    const auto sorted = [](Vector quads) {
        return layout == Layout::uyvy
                   ? shuffle_lanes(quads, 1, 3, 5, 7, 9, 11, 13, 15, 0, 4, 8, 12, 2, 6, 10, 14)
                   : shuffle_lanes(quads, 0, 2, 4, 6, 8, 10, 12, 14, 1, 5, 9, 13, 3, 7, 11, 15);
    };
    const Vector a = sorted(load(row.plane[0] + 2 * x)), b = sorted(load(row.plane[0] + 2 * x + 32));
    // Chroma as U0-3 V0-3 U8-11 V8-11 | U4-7 V4-7 U12-15 V12-15, put in order
    // once mixed.
    return {_mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8), _mm256_unpackhi_epi64(a, b)};
}

// Mixed chroma of load_8bit's order as U | V.
template <Layout layout>
[[gnu::always_inline]] inline Vector in_order_8bit(Vector chroma)
{
    if constexpr (layout == Layout::uyvy || layout == Layout::yuy2)
        return _mm256_permutevar8x32_epi32(chroma, _mm256_setr_epi32(0, 4, 2, 6, 1, 5, 3, 7));
    return chroma;
}

// 16 pixels of a 10-bit planar 4:2:2 row from pixel x, the bits outside each
// sample dropped.
template <Layout layout>
[[gnu::always_inline]] inline Pixels load_10bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::planar) {
        const Vector sample = _mm256_set1_epi16(0x3FF);
        return {_mm256_and_si256(load(row.plane[0] + 2 * x), sample),
                _mm256_and_si256(load_halves(row.plane[1] + x, row.plane[2] + x), sample)};
    }
    return {_mm256_srli_epi16(load(row.plane[0] + 2 * x), 6),
            _mm256_srli_epi16(apart_words(load(row.plane[1] + 2 * x)), 6)};
}

template <Layout layout>
[[gnu::always_inline]] inline void store_chroma_8bit(const Rows& row, size_t x, Vector chroma)
{
    if constexpr (layout == Layout::semi_planar) {
        store(row.plane[1] + x, interleaved_bytes(chroma));
    } else {
        store(row.plane[1] + x / 2, low_half(chroma));
        store(row.plane[2] + x / 2, high_half(chroma));
    }
}

// 10-bit samples into words: bits 0-9 of a planar layout, 6-15 of a
// semi-planar one.
template <Layout layout>
[[gnu::always_inline]] inline Vector words(Vector samples)
{
    return layout == Layout::semi_planar ? _mm256_slli_epi16(samples, 6) : samples;
}

template <Layout layout>
[[gnu::always_inline]] inline void store_chroma_10bit(const Rows& row, size_t x, Vector chroma)
{
    if constexpr (layout == Layout::semi_planar) {
        store(row.plane[1] + 2 * x, words<layout>(interleaved_words(chroma)));
    } else {
        store(row.plane[1] + x, low_half(chroma));
        store(row.plane[2] + x, high_half(chroma));
    }
}

template <Pair pair, int weight>
[[gnu::always_inline]] inline void fold_8bit_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout, output = format_info(pair.output).layout;
    const Pixels near = load_8bit<source>(r.full[0], x), far = load_8bit<source>(r.full[1], x);
    store(r.half[0].plane[0] + x, near.luma);
    store(r.half[1].plane[0] + x, far.luma);
    store_chroma_8bit<output>(r.half[0], x, in_order_8bit<source>(mix_bytes<weight>(near.chroma, far.chroma)));
}

template <Pair pair, int weight>
[[gnu::always_inline]] inline void fold_10bit_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout, output = format_info(pair.output).layout;
    const Pixels near = load_10bit<source>(r.full[0], x), far = load_10bit<source>(r.full[1], x);
    store(r.half[0].plane[0] + 2 * x, words<output>(near.luma));
    store(r.half[1].plane[0] + 2 * x, words<output>(far.luma));
    store_chroma_10bit<output>(r.half[0], x, mix_words<weight>(near.chroma, far.chroma));
}

// The samples of two v210 groups, lane by lane, each in a 16-bit lane: the
// bytes that hold it, multiplied so that its top bit is bit 15, and shifted
// down. The luma of pixels 0-5, or the chroma of pixel pairs 0-2 as Cb, Cr
// pairs; the last two words of each lane are zero.
[[gnu::always_inline]] inline Vector v210_luma(Vector groups)
{
    const Vector up = _mm256_setr_epi16(16, 64, 4, 16, 64, 4, 0, 0, 16, 64, 4, 16, 64, 4, 0, 0);
    return _mm256_srli_epi16(
        _mm256_mullo_epi16(shuffle_lanes(groups, 1, 2, 4, 5, 6, 7, 9, 10, 12, 13, 14, 15, -1, -1, -1, -1), up), 6);
}

[[gnu::always_inline]] inline Vector v210_chroma(Vector groups)
{
    const Vector up = _mm256_setr_epi16(64, 4, 16, 64, 4, 16, 0, 0, 64, 4, 16, 64, 4, 16, 0, 0);
    return _mm256_srli_epi16(
        _mm256_mullo_epi16(shuffle_lanes(groups, 0, 1, 2, 3, 5, 6, 8, 9, 10, 11, 13, 14, -1, -1, -1, -1), up), 6);
}

// Three vectors of 16 words in order from four of 6 + 6 words (each lane's
// first three 32-bit words).
struct Three {
    Vector v[3];
};

[[gnu::always_inline]] inline Three in_order(const Vector (&sixes)[4])
{
    const auto permuted = [](Vector v, int a, int b, int c, int d, int e, int f, int g, int h) {
        return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(a, b, c, d, e, f, g, h));
    };
    const Vector a = permuted(sixes[0], 0, 1, 2, 4, 5, 6, 0, 0), b = permuted(sixes[1], 2, 4, 5, 6, 0, 0, 0, 1),
                 c = permuted(sixes[2], 5, 6, 0, 0, 0, 1, 2, 4), d = permuted(sixes[3], 0, 0, 0, 1, 2, 4, 5, 6);
    return {{_mm256_blend_epi32(a, b, 0xC0), _mm256_blend_epi32(b, c, 0xF0), _mm256_blend_epi32(c, d, 0xFC)}};
}

// Words of at most 1023 (luma), or 4092 (chroma sums of weight 4), as bytes:
// (x + 2) >> 2 or (x + 8) >> 4, rounded by the multiply; packing saturates.
[[gnu::always_inline]] inline Vector rounded(Vector x, int shift)
{
    return _mm256_mulhrs_epi16(x, _mm256_set1_epi16(int16_t(1 << (15 - shift))));
}

// 48 bytes from three vectors of 16 words.
[[gnu::always_inline]] inline void store_bytes(uint8_t* p, const Three& w)
{
    store(p, _mm256_permute4x64_epi64(_mm256_packus_epi16(w.v[0], w.v[1]), 0xD8));
    store(p + 32, low_half(_mm256_permute4x64_epi64(_mm256_packus_epi16(w.v[2], w.v[2]), 0xD8)));
}

template <Pair pair, int weight>
[[gnu::always_inline]] inline void fold_v210_step(const RowPair& r, size_t x)
{
    constexpr Format output = format_info(pair.output);
    Vector luma[2][4], chroma[2][4];
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 4; ++j) {
            const Vector groups = load(r.full[k].plane[0] + x / 6 * 16 + 32 * j);
            luma[k][j] = v210_luma(groups);
            chroma[k][j] = v210_chroma(groups);
        }
    Vector sums[4];
    for (int j = 0; j < 4; ++j) {
        const Vector near = chroma[0][j], far = chroma[1][j];
        if constexpr (output.depth == 8)
            sums[j] = rounded(weight == 3 ? _mm256_add_epi16(_mm256_add_epi16(near, near), _mm256_add_epi16(near, far))
                                          : _mm256_slli_epi16(_mm256_add_epi16(near, far), 1),
                              4);
        else
            sums[j] = mix_words<weight>(near, far);
    }
    const Three uv = in_order(sums);
    for (int k = 0; k < 2; ++k) {
        Three y = in_order(luma[k]);
        uint8_t* const to = r.half[k].plane[0];
        if constexpr (output.depth == 8) {
            for (Vector& v : y.v)
                v = rounded(v, 2);
            store_bytes(to + x, y);
        } else {
            for (int i = 0; i < 3; ++i)
                store(to + 2 * x + 32 * i, words<output.layout>(y.v[i]));
        }
    }
    const Rows& c = r.half[0];
    if constexpr (output.depth == 8 && output.layout == Layout::semi_planar) {
        store_bytes(c.plane[1] + x, uv);
    } else if constexpr (output.depth == 8) {
        // U0-15 | V0-15, then U16-23 V16-23.
        const Vector first = apart_bytes(_mm256_permute4x64_epi64(_mm256_packus_epi16(uv.v[0], uv.v[1]), 0xD8));
        const __m128i last = _mm_shuffle_epi8(_mm_packus_epi16(low_half(uv.v[2]), high_half(uv.v[2])),
                                              _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15));
        store(c.plane[1] + x / 2, low_half(first));
        store(c.plane[2] + x / 2, high_half(first));
        store_quarter(c.plane[1] + x / 2 + 16, last);
        store_quarter(c.plane[2] + x / 2 + 16, _mm_srli_si128(last, 8));
    } else if constexpr (output.layout == Layout::semi_planar) {
        for (int i = 0; i < 3; ++i)
            store(c.plane[1] + 2 * x + 32 * i, words<Layout::semi_planar>(uv.v[i]));
    } else {
        // U | V of pairs 0-7, 8-15 and 16-23.
        const Vector a = apart_words(uv.v[0]), b = apart_words(uv.v[1]), d = apart_words(uv.v[2]);
        store(c.plane[1] + x, _mm256_permute2x128_si256(a, b, 0x20));
        store(c.plane[2] + x, _mm256_permute2x128_si256(a, b, 0x31));
        store(c.plane[1] + x + 32, low_half(d));
        store(c.plane[2] + x + 32, high_half(d));
    }
}

// The steps are inlined by force, as the compiler would otherwise call the
// larger ones, loading their constants anew: measured faster.
template <Pair pair>
void fold_avx2(const RowGroups& groups)
{
    constexpr Format source = format_info(pair.source);
    run_constant_weights<pair, source.layout == Layout::v210 ? 48 : source.depth == 8 ? 32 : 16>(
        groups, [](const RowPair& r, size_t x, auto weight) __attribute__((always_inline)) {
            if constexpr (format_info(pair.source).layout == Layout::v210)
                fold_v210_step<pair, weight.value>(r, x);
            else if constexpr (format_info(pair.source).depth == 8)
                fold_8bit_step<pair, weight.value>(r, x);
            else
                fold_10bit_step<pair, weight.value>(r, x);
        });
}

// Back into 4:2:2. Both rows of a pair share their two chroma rows A and B,
// loaded once; 8-bit sources 32 pixels a step, 10-bit ones 16, and v210
// outputs 48, three steps of 16 pixels packed into eight groups.

// Chroma of 32 pixels of an 8-bit 4:2:0 row, or of 16 of a 10-bit one, as
// U | V.
template <Layout layout>
[[gnu::always_inline]] inline Vector chroma_8bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::planar)
        return load_halves(row.plane[1] + x / 2, row.plane[2] + x / 2);
    return apart_bytes(load(row.plane[1] + x));
}

template <Layout layout>
[[gnu::always_inline]] inline Vector chroma_10bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::planar)
        return _mm256_and_si256(load_halves(row.plane[1] + x, row.plane[2] + x), _mm256_set1_epi16(0x3FF));
    return _mm256_srli_epi16(apart_words(load(row.plane[1] + 2 * x)), 6);
}

template <Layout layout>
[[gnu::always_inline]] inline Vector luma_10bit(const uint8_t* row, size_t x)
{
    const Vector words = load(row + 2 * x);
    return layout == Layout::planar ? _mm256_and_si256(words, _mm256_set1_epi16(0x3FF)) : _mm256_srli_epi16(words, 6);
}

// weight * a + (8 - weight) * b of bytes, as words lane by lane: the low
// eight bytes of each lane, then the high eight.
template <int weight>
[[gnu::always_inline]] inline void eighths_of_bytes(Vector a, Vector b, Vector& low, Vector& high)
{
    const Vector weights = _mm256_set1_epi16(int16_t((8 - weight) << 8 | weight));
    low = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), weights);
    high = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), weights);
}

template <int weight>
[[gnu::always_inline]] inline Vector eighths_of_words(Vector a, Vector b)
{
    return _mm256_add_epi16(_mm256_mullo_epi16(a, _mm256_set1_epi16(weight)),
                            _mm256_mullo_epi16(b, _mm256_set1_epi16(8 - weight)));
}

// 32 pixels of a planar 4:2:2 row from luma bytes and chroma bytes U | V.
template <Layout layout>
[[gnu::always_inline]] inline void store_422_8bit(const Rows& row, size_t x, Vector luma, Vector chroma)
{
    store(row.plane[0] + x, luma);
    store_chroma_8bit<layout>(row, x, chroma);
}

// 16 pixels of a 4:2:2 row from luma words and chroma words U | V.
template <Layout layout>
[[gnu::always_inline]] inline void store_422_10bit(const Rows& row, size_t x, Vector luma, Vector chroma)
{
    store(row.plane[0] + 2 * x, words<layout>(luma));
    store_chroma_10bit<layout>(row, x, chroma);
}

// Cb, Cr pairs in pixel order: 16 of an 8-bit 4:2:0 row as bytes (pairs 0-7 |
// 8-15), 8 of a 10-bit one as words (pairs 0-3 | 4-7).
template <Layout layout>
[[gnu::always_inline]] inline Vector pairs_8bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::semi_planar)
        return load(row.plane[1] + x);
    const __m128i u = load_half(row.plane[1] + x / 2), v = load_half(row.plane[2] + x / 2);
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi8(u, v)), _mm_unpackhi_epi8(u, v), 1);
}

template <Layout layout>
[[gnu::always_inline]] inline Vector pairs_10bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::semi_planar)
        return _mm256_srli_epi16(load(row.plane[1] + 2 * x), 6);
    const __m128i u = load_half(row.plane[1] + x), v = load_half(row.plane[2] + x);
    return _mm256_and_si256(
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_unpacklo_epi16(u, v)), _mm_unpackhi_epi16(u, v), 1),
        _mm256_set1_epi16(0x3FF));
}

// 32 pixels of a packed or semi-planar 4:2:2 row from luma bytes and 16 Cb,
// Cr pairs of bytes, each in pixel order.
template <Layout layout>
[[gnu::always_inline]] inline void store_422_pairs(const Rows& row, size_t x, Vector luma, Vector uv)
{
    if constexpr (layout == Layout::semi_planar) {
        store(row.plane[0] + x, luma);
        store(row.plane[1] + x, uv);
    } else {
        // In each lane, the pairs of the lane's pixels beside their luma.
        const Vector low = layout == Layout::uyvy ? _mm256_unpacklo_epi8(uv, luma) : _mm256_unpacklo_epi8(luma, uv);
        const Vector high = layout == Layout::uyvy ? _mm256_unpackhi_epi8(uv, luma) : _mm256_unpackhi_epi8(luma, uv);
        store(row.plane[0] + 2 * x, _mm256_permute2x128_si256(low, high, 0x20));
        store(row.plane[0] + 2 * x + 32, _mm256_permute2x128_si256(low, high, 0x31));
    }
}

// Words of two vectors in pixel order as bytes in pixel order; packing
// saturates.
[[gnu::always_inline]] inline Vector bytes_in_order(Vector first, Vector second)
{
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), 0xD8);
}

// 32 pixels of a row pair into 8-bit 4:2:2: of an 8-bit source the chroma
// mixed as bytes, U | V for a planar output and in pairs otherwise; of a
// 10-bit one as words, in pairs.
template <Pair pair, int weight>
[[gnu::always_inline]] inline void unfold_8bit_step(const RowPair& r, size_t x)
{
    constexpr Format source = format_info(pair.source);
    constexpr Layout output = format_info(pair.output).layout;
    if constexpr (source.depth == 8) {
        const Vector a = output == Layout::planar ? chroma_8bit<source.layout>(r.half[0], x)
                                                  : pairs_8bit<source.layout>(r.half[0], x);
        const Vector b = output == Layout::planar ? chroma_8bit<source.layout>(r.half[1], x)
                                                  : pairs_8bit<source.layout>(r.half[1], x);
        const Vector eighth = _mm256_set1_epi16(4096); // (sum + 4) >> 3
        for (int k = 0; k < 2; ++k) {
            Vector low, high;
            if (k)
                eighths_of_bytes<weight - 4>(a, b, low, high);
            else
                eighths_of_bytes<weight>(a, b, low, high);
            const Vector chroma = _mm256_packus_epi16(_mm256_mulhrs_epi16(low, eighth), _mm256_mulhrs_epi16(high, eighth));
            if constexpr (output == Layout::planar)
                store_422_8bit<output>(r.full[k], x, load(r.half[k].plane[0] + x), chroma);
            else
                store_422_pairs<output>(r.full[k], x, load(r.half[k].plane[0] + x), chroma);
        }
    } else {
        // min(255, (Y + 2) >> 2) and min(255, (sum + 16) >> 5): packing saturates.
        const Vector a[2] = {pairs_10bit<source.layout>(r.half[0], x), pairs_10bit<source.layout>(r.half[0], x + 16)};
        const Vector b[2] = {pairs_10bit<source.layout>(r.half[1], x), pairs_10bit<source.layout>(r.half[1], x + 16)};
        for (int k = 0; k < 2; ++k) {
            Vector uv[2];
            for (int h = 0; h < 2; ++h)
                uv[h] = rounded(k ? eighths_of_words<weight - 4>(a[h], b[h]) : eighths_of_words<weight>(a[h], b[h]), 5);
            const uint8_t* luma = r.half[k].plane[0];
            store_422_pairs<output>(r.full[k], x,
                                    bytes_in_order(rounded(luma_10bit<source.layout>(luma, x), 2),
                                                   rounded(luma_10bit<source.layout>(luma, x + 16), 2)),
                                    bytes_in_order(uv[0], uv[1]));
        }
    }
}

template <Pair pair, int weight>
[[gnu::always_inline]] inline void unfold_10bit_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout, output = format_info(pair.output).layout;
    const Vector a = chroma_10bit<source>(r.half[0], x), b = chroma_10bit<source>(r.half[1], x);
    for (int k = 0; k < 2; ++k)
        store_422_10bit<output>(r.full[k], x, luma_10bit<source>(r.half[k].plane[0], x),
                                rounded(k ? eighths_of_words<weight - 4>(a, b) : eighths_of_words<weight>(a, b), 3));
}

// Into v210 from an 8-bit source, two groups a vector, a group a lane. Each
// group's samples go straight into the fields of its four 32-bit words: fields
// 0 and 1 as the two halves of each word (Cb0 Y0, Y1 Cb1, Cr1 Y3, Y4 Cr2),
// which a multiply-add by their place values sums, and field 2 in the upper
// half (Cr0, Y2, Cb2, Y5), which a multiply by 16 moves to bit 20. One 16-byte
// window of each source row, loaded into both lanes, holds the samples of both
// groups: the second lane takes them six pixels on. Chroma is mixed in its
// fields, from the two chroma rows' bytes put side by side there once for both
// rows of the pair.

// A byte shuffle for both lanes, the second reading `second` bytes further on,
// of a window loaded `back` bytes early; -1 places zero.
template <std::array<int8_t, 16> from, int8_t second, int8_t back>
constexpr std::array<int8_t, 32> both_lanes()
{
    std::array<int8_t, 32> bytes{};
    for (size_t i = 0; i < 16; ++i) {
        bytes[i] = from[i] < 0 ? int8_t(-1) : int8_t(from[i] + back);
        bytes[16 + i] = from[i] < 0 ? int8_t(-1) : int8_t(from[i] + second + back);
    }
    return bytes;
}

template <std::array<int8_t, 16> from, int8_t second, int8_t back = 0>
[[gnu::always_inline]] inline Vector placed(Vector window)
{
    alignas(32) static constexpr std::array<int8_t, 32> bytes = both_lanes<from, second, back>();
    return _mm256_shuffle_epi8(window, _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes.data())));
}

// A window of 16 bytes reads no further than its step's bytes of a row: the
// one that would end past them starts `back` bytes early, and its shuffles
// read that much further on.
template <int start, int step_bytes>
constexpr int8_t back = int8_t(start + 16 > step_bytes ? start + 16 - step_bytes : 0);

template <int start, int step_bytes>
[[gnu::always_inline]] inline Vector window(const uint8_t* row)
{
    return _mm256_broadcastsi128_si256(load_half(row + start - back<start, step_bytes>));
}

using Bytes = std::array<int8_t, 16>;

// Of the chroma rows A and B, the bytes of each field of the two groups j of a
// step, A's and B's side by side in the field's word for the multiply-add of
// the mix: Cb0, Cb1, Cr1, Cr2 in fields 0 and 1 (`low`), Cr0 and Cb2 in field
// 2 (`high`). They are taken from Cb0 Cr0 Cb1 Cr1 Cb2 Cr2 of each group: a
// window of a semi-planar row, or eight U and eight V bytes of a planar one
// interleaved into that order (and read no further than the step's bytes).
template <int32_t code, int j>
[[gnu::always_inline]] inline void chroma_fields(const RowPair& r, size_t x, Vector& low, Vector& high)
{
    constexpr bool planar = format_info(code).layout == Layout::planar;
    constexpr int b = planar ? 2 * (6 * j + 8 > 24 ? 6 * j + 8 - 24 : 0) : back<12 * j, 48>;
    const auto paired = [&](const Rows& row) {
        if constexpr (planar) {
            const size_t at = x / 2 + 6 * j - b / 2;
            return _mm256_unpacklo_epi8(_mm256_set1_epi64x(load_eighth(row.plane[1] + at)),
                                        _mm256_set1_epi64x(load_eighth(row.plane[2] + at)));
        } else {
            return window<12 * j, 48>(row.plane[1] + x);
        }
    };
    const Vector wa = paired(r.half[0]), wb = paired(r.half[1]);
    low = _mm256_or_si256(placed<Bytes{0, -1, -1, -1, -1, -1, 2, -1, 3, -1, -1, -1, -1, -1, 5, -1}, 6, b>(wa),
                          placed<Bytes{-1, 0, -1, -1, -1, -1, -1, 2, -1, 3, -1, -1, -1, -1, -1, 5}, 6, b>(wb));
    high = _mm256_or_si256(placed<Bytes{-1, -1, 1, -1, -1, -1, -1, -1, -1, -1, 4, -1, -1, -1, -1, -1}, 6, b>(wa),
                           placed<Bytes{-1, -1, -1, 1, -1, -1, -1, -1, -1, -1, -1, 4, -1, -1, -1, -1}, 6, b>(wb));
}

// The two groups j of a step of 48 pixels.
template <Pair pair, int weight, int j>
[[gnu::always_inline]] inline void unfold_v210_groups(const RowPair& r, size_t x)
{
    // Fields 0 and 1 by their place values, luma by four more (10 bits from
    // 8); of field 2, in the upper halves, chroma by 16 and luma by 64.
    const Vector low_places =
        _mm256_setr_epi16(1, 4096, 4, 1024, 1, 4096, 4, 1024, 1, 4096, 4, 1024, 1, 4096, 4, 1024);
    const Vector high_places = _mm256_setr_epi16(0, 16, 0, 64, 0, 16, 0, 64, 0, 16, 0, 64, 0, 16, 0, 64);
    Vector low, high;
    chroma_fields<pair.source, j>(r, x, low, high);
    for (int k = 0; k < 2; ++k) {
        // (sum + 1) >> 1 of eighths: 10 bits from 8.
        const int a_weight = k ? weight - 4 : weight;
        const Vector mix = _mm256_set1_epi16(int16_t((8 - a_weight) << 8 | a_weight));
        const Vector chroma_low = _mm256_avg_epu16(_mm256_maddubs_epi16(low, mix), _mm256_setzero_si256());
        const Vector chroma_high = _mm256_avg_epu16(_mm256_maddubs_epi16(high, mix), _mm256_setzero_si256());
        constexpr int start = 12 * j, end = 48, b = back<start, end>;
        const Vector w = window<start, end>(r.half[k].plane[0] + x);
        const Vector luma_low = placed<Bytes{-1, -1, 0, -1, 1, -1, -1, -1, -1, -1, 3, -1, 4, -1, -1, -1}, 6, b>(w);
        const Vector luma_high = placed<Bytes{-1, -1, -1, -1, -1, -1, 2, -1, -1, -1, -1, -1, -1, -1, 5, -1}, 6, b>(w);
        const Vector third = _mm256_mullo_epi16(_mm256_or_si256(chroma_high, luma_high), high_places);
        store(r.full[k].plane[0] + x / 6 * 16 + 32 * j,
              _mm256_or_si256(_mm256_madd_epi16(_mm256_or_si256(chroma_low, luma_low), low_places), third));
    }
}

// Of a 10-bit source, measured faster than placing its samples in their
// fields: both rows' chroma mixed as Cb, Cr pairs in order, 16 pixels at a
// time, then each group's six samples of each kind spread into a lane of their
// own (32-bit words 6j to 6j+5 of three vectors into lanes j) and set into
// their fields as above.
[[gnu::always_inline]] inline void spread(const Three& t, Vector (&lanes)[4])
{
    const auto permuted = [](Vector v, int a, int b, int c, int d, int e, int f, int g, int h) {
        return _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(a, b, c, d, e, f, g, h));
    };
    lanes[0] = permuted(t.v[0], 0, 1, 2, 0, 3, 4, 5, 0);
    lanes[1] = _mm256_blend_epi32(permuted(t.v[0], 6, 7, 0, 0, 0, 0, 0, 0), permuted(t.v[1], 0, 0, 0, 0, 1, 2, 3, 0),
                                  0x74);
    lanes[2] = _mm256_blend_epi32(permuted(t.v[1], 4, 5, 6, 0, 7, 0, 0, 0), permuted(t.v[2], 0, 0, 0, 0, 0, 0, 1, 0),
                                  0x60);
    lanes[3] = permuted(t.v[2], 2, 3, 4, 0, 5, 6, 7, 0);
}

[[gnu::always_inline]] inline void store_v210(uint8_t* groups, const Three& luma, const Three& uv)
{
    Vector y[4], c[4];
    spread(luma, y);
    spread(uv, c);
    for (int j = 0; j < 4; ++j) {
        const Vector low = _mm256_or_si256(
            shuffle_lanes(c[j], 0, 1, -1, -1, -1, -1, 4, 5, 6, 7, -1, -1, -1, -1, 10, 11),
            shuffle_lanes(y[j], -1, -1, 0, 1, 2, 3, -1, -1, -1, -1, 6, 7, 8, 9, -1, -1));
        const Vector third = _mm256_or_si256(
            shuffle_lanes(c[j], 2, 3, -1, -1, -1, -1, -1, -1, 8, 9, -1, -1, -1, -1, -1, -1),
            shuffle_lanes(y[j], -1, -1, -1, -1, 4, 5, -1, -1, -1, -1, -1, -1, 10, 11, -1, -1));
        store(groups + 32 * j, _mm256_or_si256(_mm256_madd_epi16(low, _mm256_set1_epi32(1024 << 16 | 1)),
                                               _mm256_slli_epi32(third, 20)));
    }
}

template <Pair pair, int weight>
[[gnu::always_inline]] inline void unfold_v210_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout;
    if constexpr (format_info(pair.source).depth == 8) {
        unfold_v210_groups<pair, weight, 0>(r, x);
        unfold_v210_groups<pair, weight, 1>(r, x);
        unfold_v210_groups<pair, weight, 2>(r, x);
        unfold_v210_groups<pair, weight, 3>(r, x);
    } else {
        Three luma[2], uv[2];
        for (int s = 0; s < 3; ++s) {
            const size_t at = x + 16 * size_t(s);
            const Vector a = pairs_10bit<source>(r.half[0], at), b = pairs_10bit<source>(r.half[1], at);
            for (int k = 0; k < 2; ++k) {
                luma[k].v[s] = luma_10bit<source>(r.half[k].plane[0], at);
                uv[k].v[s] = rounded(k ? eighths_of_words<weight - 4>(a, b) : eighths_of_words<weight>(a, b), 3);
            }
        }
        for (int k = 0; k < 2; ++k)
            store_v210(r.full[k].plane[0] + x / 6 * 16, luma[k], uv[k]);
    }
}

template <Pair pair>
void unfold_avx2(const RowGroups& groups)
{
    constexpr Format output = format_info(pair.output);
    run_constant_weights<pair, output.layout == Layout::v210 ? 48 : output.depth == 8 ? 32 : 16>(
        groups, [](const RowPair& r, size_t x, auto weight) __attribute__((always_inline)) {
            if constexpr (format_info(pair.output).layout == Layout::v210)
                unfold_v210_step<pair, weight.value>(r, x);
            else if constexpr (format_info(pair.output).depth == 8)
                unfold_8bit_step<pair, weight.value>(r, x);
            else
                unfold_10bit_step<pair, weight.value>(r, x);
        });
}

template <Pair pair>
constexpr RowGroupFunction avx2_kernel()
{
    if constexpr (!widest_rungs_have(pair))
        return nullptr;
    else if constexpr (unfolds(pair))
        return unfold_avx2<pair>;
    else
        return fold_avx2<pair>;
}

struct Avx2 {
    template <Pair pair>
    static constexpr RowGroupFunction kernel = avx2_kernel<pair>();
};

} // namespace

KernelSet avx2_kernel_set()
{
    return kernel_set<Avx2>("avx2");
}
