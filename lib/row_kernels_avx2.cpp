#include "lib/kernel_set.h"
#include "lib/row_composition.h"

#include <array>
#include <immintrin.h>

// Every pair, composed of a reader of its source's rows and a writer of its
// output's, with the field-aware mix once between them (row_composition.h);
// fused where that measured faster than the composition: v210 into the 8-bit
// 4:2:0 layouts, and those back into v210.
//
// A reader gives a block of pixels as samples at the source's depth: 32
// pixels of an 8-bit layout, luma as 32 bytes in order and chroma as two
// halves of 16 bytes; 16 pixels of a 10-bit one, luma as 16 words and chroma
// as two halves of 8 words. The halves hold Cb | Cr (`planes`) or the Cb, Cr
// pairs in order (`in_pairs`), as the layout lays them out. v210 gives three
// blocks of 16 pixels, eight groups. The mix sums two rows' chroma at full
// precision, and the writer rounds each sample once into the output's depth
// and lays it out. Every step loads each source byte once and stores whole
// vectors of its own pixels, no more: the last step of a row is moved back to
// end at the row's end (each_step), and only the pixels of a v210 group that
// the row uses in part go to the plain C kernel.

namespace {

// The rung's tag, by which the composition finds its readers and writers.
struct Avx2 {
    static constexpr const char* name = "avx2";
};

using Vector = __m256i;

constexpr int block_pixels(Avx2, int depth)
{
    return depth == 8 ? 32 : 16;
}

[[gnu::always_inline]] inline Vector load(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

[[gnu::always_inline]] inline __m128i load_half(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
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
[[gnu::always_inline]] inline Vector shuffle_lanes(Vector v, char b0, char b1, char b2, char b3, char b4, char b5,
                                                   char b6, char b7, char b8, char b9, char b10, char b11, char b12,
                                                   char b13, char b14, char b15)
{
    return _mm256_shuffle_epi8(v, _mm256_setr_epi8(b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14,
                                                   b15, b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13,
                                                   b14, b15));
}

// Cb | Cr (16 bytes each, or 8 words each) as the Cb, Cr pairs in order, and
// back.
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

[[gnu::always_inline]] inline Vector apart_bytes(Vector pairs)
{
    return _mm256_permute4x64_epi64(shuffle_lanes(pairs, 0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15), 0xD8);
}

[[gnu::always_inline]] inline Vector apart_words(Vector pairs)
{
    return _mm256_permute4x64_epi64(shuffle_lanes(pairs, 0, 1, 4, 5, 8, 9, 12, 13, 2, 3, 6, 7, 10, 11, 14, 15), 0xD8);
}

// The 8 words of each lane as bytes, lane 0's then lane 1's; packing
// saturates.
[[gnu::always_inline]] inline __m128i bytes_of_words(Vector words)
{
    return low_half(_mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08));
}

// Sums of `from` bits scaled by 2^scale, in words below 2^15, as samples of
// `to` bits: (sum + 2^(shift - 1)) >> shift by one rounding multiply where
// bits go, sum << -shift where they come.
template <int scale, int from, int to>
[[gnu::always_inline]] inline Vector rounded(Vector sums)
{
    constexpr int shift = scale + from - to;
    if constexpr (shift > 0)
        return _mm256_mulhrs_epi16(sums, _mm256_set1_epi16(int16_t(1 << (15 - shift))));
    else if constexpr (shift < 0)
        return _mm256_slli_epi16(sums, -shift);
    else
        return sums;
}

// The samples of one block of pixels, and of `n` blocks in a row.
struct Block {
    Vector luma, chroma;
};

template <size_t n>
struct Blocks {
    Block block[n];
};

// Chroma sums of a block: of 8-bit samples, of bytes 0-7 of each half and of
// bytes 8-15; of 10-bit ones, of each word.
template <int depth>
struct Sums;

template <>
struct Sums<8> {
    Vector low, high;
};

template <>
struct Sums<10> {
    Vector words;
};

// The weights of the two rows a mix sums, which add up to `total`. Into
// 4:2:0 they are 3 and 1 or 2 and 2, and 10-bit samples take them in adds
// and a mask, 2 * (a + b) + (a - b) or no more: a multiply, of a longer
// latency, measured 5 to 10% slower where the rows come from memory.
template <int depth, int total>
struct Weights;

template <int total>
struct Weights<8, total> {
    Vector pairs; // a's weight and b's, in the bytes of each word
};

template <>
struct Weights<10, 4> {
    Vector odd; // all ones where a weighs 3, none where 2
};

template <>
struct Weights<10, 8> {
    Vector a, b;
};

template <int depth, int total>
Weights<depth, total> weights(Avx2, int a, int b)
{
    if constexpr (depth == 8)
        return {_mm256_set1_epi16(int16_t(b << 8 | a))};
    else if constexpr (total == 4)
        return {_mm256_set1_epi16(int16_t(a == 3 ? -1 : 0))};
    else
        return {_mm256_set1_epi16(int16_t(a)), _mm256_set1_epi16(int16_t(b))};
}

// The field-aware mix: a * a's weight + b * b's weight of every chroma
// sample, at full precision.
template <int total>
[[gnu::always_inline]] inline Sums<8> mix(Avx2, Vector a, Vector b, const Weights<8, total>& w)
{
    return {_mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), w.pairs),
            _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), w.pairs)};
}

[[gnu::always_inline]] inline Sums<10> mix(Avx2, Vector a, Vector b, const Weights<10, 4>& w)
{
    const Vector sum = _mm256_add_epi16(a, b);
    return {_mm256_add_epi16(_mm256_add_epi16(sum, sum), _mm256_and_si256(_mm256_sub_epi16(a, b), w.odd))};
}

[[gnu::always_inline]] inline Sums<10> mix(Avx2, Vector a, Vector b, const Weights<10, 8>& w)
{
    return {_mm256_add_epi16(_mm256_mullo_epi16(a, w.a), _mm256_mullo_epi16(b, w.b))};
}

// Readers.

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

// The luma and the chroma of a block of a planar or semi-planar row, 4:2:2 or
// 4:2:0, the bits outside each 10-bit sample dropped. Rows of 8-bit samples
// are read 16 bytes at a time, which never splits across cache lines where a
// row starts on no 32-byte boundary (720 bytes at 720 pixels): measured 5 to
// 15% faster there than 32 at a time, and as fast elsewhere.
template <int32_t code>
[[gnu::always_inline]] inline Vector read_luma(Avx2, const uint8_t* row, size_t x)
{
    constexpr Format f = format_info(code);
    if constexpr (f.depth == 8)
        return load_halves(row + x, row + x + 16);
    else if constexpr (f.layout == Layout::planar)
        return _mm256_and_si256(load(row + 2 * x), _mm256_set1_epi16(0x3FF));
    else
        return _mm256_srli_epi16(load(row + 2 * x), 6);
}

template <int32_t code>
[[gnu::always_inline]] inline Vector read_chroma(Avx2, const Rows& row, size_t x)
{
    constexpr Format f = format_info(code);
    if constexpr (f.depth == 8)
        return f.layout == Layout::planar ? load_halves(row.plane[1] + x / 2, row.plane[2] + x / 2)
                                          : load_halves(row.plane[1] + x, row.plane[1] + x + 16);
    else if constexpr (f.layout == Layout::planar)
        return _mm256_and_si256(load_halves(row.plane[1] + x, row.plane[2] + x), _mm256_set1_epi16(0x3FF));
    else
        return _mm256_srli_epi16(load(row.plane[1] + 2 * x), 6);
}

// The blocks of a 4:2:2 row from pixel x: one of 32 or 16 pixels, or three of
// 16 from v210.
template <int32_t code>
[[gnu::always_inline]] inline Blocks<format_info(code).layout == Layout::v210 ? 3 : 1> read_row(Avx2, const Rows& row,
                                                                                                size_t x)
{
    constexpr Format f = format_info(code);
    const uint8_t* p = row.plane[0];
    if constexpr (f.layout == Layout::uyvy || f.layout == Layout::yuy2) {
        // In each lane, the luma of eight pixels, then four Cb, then four Cr.
        const auto sorted = [](Vector quads) {
            return f.layout == Layout::uyvy
                       ? shuffle_lanes(quads, 1, 3, 5, 7, 9, 11, 13, 15, 0, 4, 8, 12, 2, 6, 10, 14)
                       : shuffle_lanes(quads, 0, 2, 4, 6, 8, 10, 12, 14, 1, 5, 9, 13, 3, 7, 11, 15);
        };
        const Vector a = sorted(load(p + 2 * x)), b = sorted(load(p + 2 * x + 32));
        return {{{_mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8),
                  _mm256_permutevar8x32_epi32(_mm256_unpackhi_epi64(a, b), _mm256_setr_epi32(0, 4, 2, 6, 1, 5, 3, 7))}}};
    } else if constexpr (f.layout == Layout::v210) {
        Vector luma[4], chroma[4];
        for (int j = 0; j < 4; ++j) {
            const Vector groups = load(p + x / 6 * 16 + 32 * size_t(j));
            luma[j] = v210_luma(groups);
            chroma[j] = v210_chroma(groups);
        }
        const Three y = in_order(luma), c = in_order(chroma);
        return {{{y.v[0], c.v[0]}, {y.v[1], c.v[1]}, {y.v[2], c.v[2]}}};
    } else {
        return {{{read_luma<code>(Avx2(), p, x), read_chroma<code>(Avx2(), row, x)}}};
    }
}

// Writers.

// A block's luma into a planar or semi-planar row, from samples of the
// source's depth.
template <int32_t code, int32_t source>
[[gnu::always_inline]] inline void write_luma(Avx2, uint8_t* row, size_t x, Vector luma)
{
    constexpr Format f = format_info(code);
    constexpr int from = format_info(source).depth;
    if constexpr (f.depth == 8 && from == 8) {
        store(row + x, luma);
    } else if constexpr (f.depth == 8) {
        store(row + x, bytes_of_words(rounded<0, 10, 8>(luma)));
    } else if constexpr (from == 8) {
        constexpr int shift = 2 + word_shift(f);
        store(row + 2 * x, _mm256_slli_epi16(_mm256_cvtepu8_epi16(low_half(luma)), shift));
        store(row + 2 * x + 32, _mm256_slli_epi16(_mm256_cvtepu8_epi16(high_half(luma)), shift));
    } else {
        store(row + 2 * x, _mm256_slli_epi16(luma, word_shift(f)));
    }
}

// A block's chroma sums into a planar or semi-planar row, laid out as the
// source's reader gave them: scaled by 4 into 4:2:0, by 8 into 4:2:2.
template <int32_t code, int32_t source, int from = format_info(source).depth>
[[gnu::always_inline]] inline void write_chroma(Avx2, const Rows& row, size_t x, const Sums<from>& sums)
{
    constexpr Format f = format_info(code);
    constexpr ChromaOrder a = chroma_order<source>;
    constexpr int scale = f.subsampled ? 2 : 3, to = f.depth, up = word_shift(f);
    constexpr bool planar = f.layout == Layout::planar, planes = a == ChromaOrder::planes;
    if constexpr (from == 8 && to == 8) {
        // Packing puts the halves back as they were.
        const Vector bytes =
            _mm256_packus_epi16(rounded<scale, 8, 8>(sums.low), rounded<scale, 8, 8>(sums.high));
        if constexpr (planar) {
            const Vector apart = planes ? bytes : apart_bytes(bytes);
            store(row.plane[1] + x / 2, low_half(apart));
            store(row.plane[2] + x / 2, high_half(apart));
        } else {
            store(row.plane[1] + x, planes ? interleaved_bytes(bytes) : bytes);
        }
    } else if constexpr (from == 8) {
        // Each half as 16 words: Cb and Cr, or pairs 0-7 and 8-15.
        const Vector low = rounded<scale, 8, 10>(sums.low), high = rounded<scale, 8, 10>(sums.high);
        const Vector first = _mm256_permute2x128_si256(low, high, 0x20);
        const Vector second = _mm256_permute2x128_si256(low, high, 0x31);
        if constexpr (planar) {
            // Rows of words half as long as the luma's, which 16-byte stores
            // keep from splitting across cache lines where they start on no
            // 32-byte boundary (720 bytes at 720 pixels): measured a fifth
            // faster there. U then V of pairs 0-15, or U | V of pairs 0-7
            // and of 8-15.
            const Vector u = planes ? first : apart_words(first), v = planes ? second : apart_words(second);
            store(row.plane[1] + x, low_half(u));
            store(row.plane[1] + x + 16, planes ? high_half(u) : low_half(v));
            store(row.plane[2] + x, planes ? low_half(v) : high_half(u));
            store(row.plane[2] + x + 16, high_half(v));
        } else if constexpr (planes) {
            const Vector p0 = _mm256_unpacklo_epi16(first, second), p1 = _mm256_unpackhi_epi16(first, second);
            store(row.plane[1] + 2 * x, _mm256_slli_epi16(_mm256_permute2x128_si256(p0, p1, 0x20), up));
            store(row.plane[1] + 2 * x + 32, _mm256_slli_epi16(_mm256_permute2x128_si256(p0, p1, 0x31), up));
        } else {
            store(row.plane[1] + 2 * x, _mm256_slli_epi16(first, up));
            store(row.plane[1] + 2 * x + 32, _mm256_slli_epi16(second, up));
        }
    } else if constexpr (to == 8) {
        // 8 pairs of 16 pixels.
        const Vector words = rounded<scale, 10, 8>(sums.words);
        if constexpr (planes) {
            const Vector bytes = _mm256_packus_epi16(words, words);
            if constexpr (planar) {
                store_quarter(row.plane[1] + x / 2, low_half(bytes));
                store_quarter(row.plane[2] + x / 2, high_half(bytes));
            } else {
                store(row.plane[1] + x, _mm_unpacklo_epi8(low_half(bytes), high_half(bytes)));
            }
        } else if constexpr (planar) {
            const __m128i apart = _mm_shuffle_epi8(bytes_of_words(words),
                                                   _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15));
            store_quarter(row.plane[1] + x / 2, apart);
            store_quarter(row.plane[2] + x / 2, _mm_srli_si128(apart, 8));
        } else {
            store(row.plane[1] + x, bytes_of_words(words));
        }
    } else {
        const Vector words = rounded<scale, 10, 10>(sums.words);
        if constexpr (planar) {
            const Vector apart = planes ? words : apart_words(words);
            store(row.plane[1] + x, low_half(apart));
            store(row.plane[2] + x, high_half(apart));
        } else {
            store(row.plane[1] + 2 * x, _mm256_slli_epi16(planes ? interleaved_words(words) : words, up));
        }
    }
}

// 32 pixels of a UYVY or YUY2 row from luma bytes and Cb, Cr pairs of bytes,
// each in order.
template <Layout layout>
[[gnu::always_inline]] inline void write_quads(uint8_t* row, size_t x, Vector luma, Vector uv)
{
    // In each lane, the pairs of the lane's pixels beside their luma.
    const Vector low = layout == Layout::uyvy ? _mm256_unpacklo_epi8(uv, luma) : _mm256_unpacklo_epi8(luma, uv);
    const Vector high = layout == Layout::uyvy ? _mm256_unpackhi_epi8(uv, luma) : _mm256_unpackhi_epi8(luma, uv);
    store(row + 2 * x, _mm256_permute2x128_si256(low, high, 0x20));
    store(row + 2 * x + 32, _mm256_permute2x128_si256(low, high, 0x31));
}

// Words of ten bits into v210, eight groups from 48 pixels: luma in order
// and the Cb, Cr pairs in order, three vectors each. Each group's six samples
// of each kind are spread into a lane of their own (32-bit words 6j to 6j+5
// of three vectors into lanes j), then fields 0 and 1 of each 32-bit word are
// put side by side in its halves, summed by a multiply-add by their place
// values, and field 2 shifted up to bit 20.
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

[[gnu::always_inline]] inline void write_v210(uint8_t* groups, const Three& luma, const Three& uv)
{
    Vector y[4], c[4];
    spread(luma, y);
    spread(uv, c);
    for (int j = 0; j < 4; ++j) {
        const Vector low = _mm256_or_si256(shuffle_lanes(c[j], 0, 1, -1, -1, -1, -1, 4, 5, 6, 7, -1, -1, -1, -1, 10, 11),
                                           shuffle_lanes(y[j], -1, -1, 0, 1, 2, 3, -1, -1, -1, -1, 6, 7, 8, 9, -1, -1));
        const Vector third = _mm256_or_si256(shuffle_lanes(c[j], 2, 3, -1, -1, -1, -1, -1, -1, 8, 9, -1, -1, -1, -1, -1, -1),
                                             shuffle_lanes(y[j], -1, -1, -1, -1, 4, 5, -1, -1, -1, -1, -1, -1, 10, 11, -1, -1));
        store(groups + 32 * j, _mm256_or_si256(_mm256_madd_epi16(low, _mm256_set1_epi32(1024 << 16 | 1)),
                                               _mm256_slli_epi32(third, 20)));
    }
}

// The blocks of a 4:2:2 row into the row from pixel x: luma at the source's
// depth and chroma sums scaled by 8, laid out as the source's reader gave
// them.
template <int32_t code, int32_t source, int from = format_info(source).depth, size_t blocks>
[[gnu::always_inline]] inline void write_row(Avx2, const Rows& row, size_t x, const Vector (&luma)[blocks],
                                             const Sums<from> (&sums)[blocks])
{
    constexpr Format f = format_info(code);
    constexpr ChromaOrder a = chroma_order<source>;
    if constexpr (f.layout == Layout::v210) {
        Three y, uv;
        for (size_t b = 0; b < 3; ++b) {
            y.v[b] = luma[b];
            const Vector words = rounded<3, 10, 10>(sums[b].words);
            uv.v[b] = a == ChromaOrder::planes ? interleaved_words(words) : words;
        }
        write_v210(row.plane[0] + x / 6 * 16, y, uv);
    } else if constexpr (f.layout == Layout::uyvy || f.layout == Layout::yuy2) {
        if constexpr (from == 8) {
            const Vector bytes = _mm256_packus_epi16(rounded<3, 8, 8>(sums[0].low), rounded<3, 8, 8>(sums[0].high));
            write_quads<f.layout>(row.plane[0], x, luma[0], a == ChromaOrder::planes ? interleaved_bytes(bytes) : bytes);
        } else {
            // 16 pixels.
            const Vector words = rounded<3, 10, 8>(sums[0].words);
            const __m128i y = bytes_of_words(rounded<0, 10, 8>(luma[0]));
            __m128i uv = bytes_of_words(words);
            if constexpr (a == ChromaOrder::planes) {
                const Vector bytes = _mm256_packus_epi16(words, words);
                uv = _mm_unpacklo_epi8(low_half(bytes), high_half(bytes));
            }
            const bool uyvy = f.layout == Layout::uyvy;
            const __m128i first = uyvy ? _mm_unpacklo_epi8(uv, y) : _mm_unpacklo_epi8(y, uv);
            const __m128i second = uyvy ? _mm_unpackhi_epi8(uv, y) : _mm_unpackhi_epi8(y, uv);
            store(row.plane[0] + 2 * x, _mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1));
        }
    } else {
        write_luma<code, source>(Avx2(), row.plane[0], x, luma[0]);
        write_chroma<code, source>(Avx2(), row, x, sums[0]);
    }
}

// v210 into 8 bits, fused: each row's samples gathered as in its reader, the
// chroma mixed before it is put in order, once for both rows, and each kind
// packed into 48 bytes at once.

// 48 bytes from three vectors of 16 words.
[[gnu::always_inline]] inline void store_bytes(uint8_t* p, const Three& w)
{
    store(p, _mm256_permute4x64_epi64(_mm256_packus_epi16(w.v[0], w.v[1]), 0xD8));
    store(p + 32, low_half(_mm256_permute4x64_epi64(_mm256_packus_epi16(w.v[2], w.v[2]), 0xD8)));
}

template <Pair pair>
[[gnu::always_inline]] inline void fold_v210_into_8bit_step(const RowPair& r, size_t x, const Weights<10, 4>& w)
{
    Vector luma[2][4], sums[4];
    for (int j = 0; j < 4; ++j) {
        Vector chroma[2];
        for (int k = 0; k < 2; ++k) {
            const Vector groups = load(r.full[k].plane[0] + x / 6 * 16 + 32 * size_t(j));
            luma[k][j] = v210_luma(groups);
            chroma[k] = v210_chroma(groups);
        }
        sums[j] = rounded<2, 10, 8>(mix(Avx2(), chroma[0], chroma[1], w).words);
    }
    for (int k = 0; k < 2; ++k) {
        Three y = in_order(luma[k]);
        for (Vector& v : y.v)
            v = rounded<0, 10, 8>(v);
        store_bytes(r.half[k].plane[0] + x, y);
    }
    const Three uv = in_order(sums);
    const Rows& c = r.half[0];
    if constexpr (format_info(pair.output).layout == Layout::semi_planar) {
        store_bytes(c.plane[1] + x, uv);
    } else {
        // U0-15 | V0-15, then U16-23 V16-23.
        const Vector first = apart_bytes(_mm256_permute4x64_epi64(_mm256_packus_epi16(uv.v[0], uv.v[1]), 0xD8));
        const __m128i last = _mm_shuffle_epi8(_mm_packus_epi16(low_half(uv.v[2]), high_half(uv.v[2])),
                                              _mm_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15));
        store(c.plane[1] + x / 2, low_half(first));
        store(c.plane[2] + x / 2, high_half(first));
        store_quarter(c.plane[1] + x / 2 + 16, last);
        store_quarter(c.plane[2] + x / 2 + 16, _mm_srli_si128(last, 8));
    }
}

template <Pair pair>
void fold_v210_into_8bit(const RowGroups& groups)
{
    const Weights<10, 4> w = weights<10, 4>(Avx2(), groups.first[0].weight, 4 - groups.first[0].weight);
    run_row_groups<pair, 48>(groups, [&](const RowPair& r, size_t x, auto) __attribute__((always_inline)) {
        fold_v210_into_8bit_step<pair>(r, x, w);
    });
}

// Into v210 from an 8-bit source, fused: two groups a vector, a group a lane.
// Each group's samples go straight into the fields of its four 32-bit words:
// fields 0 and 1 as the two halves of each word (Cb0 Y0, Y1 Cb1, Cr1 Y3, Y4
// Cr2), which a multiply-add by their place values sums, and field 2 in the
// upper half (Cr0, Y2, Cb2, Y5), which a multiply by 16 moves to bit 20. One
// 16-byte window of each source row, loaded into both lanes, holds the
// samples of both groups: the second lane takes them six pixels on. Chroma is
// mixed in its fields, from the two chroma rows' bytes put side by side there
// once for both rows of the pair.

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
            const auto eight = [](const uint8_t* p) {
                return _mm256_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
            };
            return _mm256_unpacklo_epi8(eight(row.plane[1] + at), eight(row.plane[2] + at));
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

// The two groups j of a step of 48 pixels; `mixes` holds the weights of A and
// B of each row of the pair in the bytes of its words.
template <int32_t code, int j>
[[gnu::always_inline]] inline void unfold_v210_groups(const RowPair& r, size_t x, const Vector (&mixes)[2])
{
    // Fields 0 and 1 by their place values, luma by four more (10 bits from
    // 8); of field 2, in the upper halves, chroma by 16 and luma by 64.
    const Vector low_places =
        _mm256_setr_epi16(1, 4096, 4, 1024, 1, 4096, 4, 1024, 1, 4096, 4, 1024, 1, 4096, 4, 1024);
    const Vector high_places = _mm256_setr_epi16(0, 16, 0, 64, 0, 16, 0, 64, 0, 16, 0, 64, 0, 16, 0, 64);
    Vector low, high;
    chroma_fields<code, j>(r, x, low, high);
    for (int k = 0; k < 2; ++k) {
        // (sum + 1) >> 1 of eighths: 10 bits from 8.
        const Vector chroma_low = _mm256_avg_epu16(_mm256_maddubs_epi16(low, mixes[k]), _mm256_setzero_si256());
        const Vector chroma_high = _mm256_avg_epu16(_mm256_maddubs_epi16(high, mixes[k]), _mm256_setzero_si256());
        constexpr int start = 12 * j, end = 48, b = back<start, end>;
        const Vector w = window<start, end>(r.half[k].plane[0] + x);
        const Vector luma_low = placed<Bytes{-1, -1, 0, -1, 1, -1, -1, -1, -1, -1, 3, -1, 4, -1, -1, -1}, 6, b>(w);
        const Vector luma_high = placed<Bytes{-1, -1, -1, -1, -1, -1, 2, -1, -1, -1, -1, -1, -1, -1, 5, -1}, 6, b>(w);
        const Vector third = _mm256_mullo_epi16(_mm256_or_si256(chroma_high, luma_high), high_places);
        store(r.full[k].plane[0] + x / 6 * 16 + 32 * j,
              _mm256_or_si256(_mm256_madd_epi16(_mm256_or_si256(chroma_low, luma_low), low_places), third));
    }
}

template <Pair pair>
void unfold_8bit_into_v210(const RowGroups& groups)
{
    Vector mixes[2][2];
    for (int k = 0; k < 2; ++k)
        for (int row = 0; row < 2; ++row) {
            const int a = groups.first[k].weight - 4 * row;
            mixes[k][row] = _mm256_set1_epi16(int16_t((8 - a) << 8 | a));
        }
    run_row_groups<pair, 48>(groups, [&](const RowPair& r, size_t x, auto k) __attribute__((always_inline)) {
        unfold_v210_groups<pair.source, 0>(r, x, mixes[k.value]);
        unfold_v210_groups<pair.source, 1>(r, x, mixes[k.value]);
        unfold_v210_groups<pair.source, 2>(r, x, mixes[k.value]);
        unfold_v210_groups<pair.source, 3>(r, x, mixes[k.value]);
    });
}

template <Pair pair>
constexpr RowGroupFunction kernel_of(Avx2)
{
    if constexpr (!unfolds(pair) && format_info(pair.source).layout == Layout::v210 &&
                  format_info(pair.output).depth == 8)
        return fold_v210_into_8bit<pair>;
    else if constexpr (!unfolds(pair))
        return composed_fold<Avx2, pair>;
    else if constexpr (format_info(pair.output).layout == Layout::v210 && format_info(pair.source).depth == 8)
        return unfold_8bit_into_v210<pair>;
    else
        return composed_unfold<Avx2, pair>;
}

} // namespace

const KernelSet& avx2_kernel_set()
{
    return kernel_set<Avx2>;
}
