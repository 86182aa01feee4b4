#include "lib/kernel_set.h"
#include "lib/row_composition.h"

#include <array>
#include <immintrin.h>

// Every pair, composed of a reader of its source's rows and a writer of its
// output's, with the field-aware mix once between them (row_composition.h),
// in 512-bit vectors. Where the AVX2 rung shuffles within 128-bit lanes and
// then across them, VBMI's byte permutes take any byte of one or two vectors
// (vpermb, vpermt2b), and BW's word permutes any word: a layout's samples are
// sorted in one instruction, and v210's fields are taken out of their 32-bit
// words by a permute and a variable shift each, and put in by a permute, a
// multiply-add and a shift.
//
// A reader gives a block of pixels as samples at the source's depth: 64
// pixels of an 8-bit layout, luma as 64 bytes in order and chroma as 32 Cb
// and 32 Cr; 32 pixels of a 10-bit one, in words. Chroma lies Cb | Cr
// (`planes`) or as the Cb, Cr pairs in order (`pairs`), as the layout lays it
// out. v210 gives three blocks, 96 pixels; into v210 a step is three blocks,
// of 96 pixels or 192. The last step of a row is moved back to end at the
// row's end (each_step), and only the pixels of a v210 group that the row
// uses in part go to the plain C kernel.

namespace {

// The rung's tag, by which the composition finds its readers and writers.
struct Avx512 {
};

using Vector = __m512i;
using Half = __m256i;

constexpr int block_pixels(Avx512, int depth)
{
    return depth == 8 ? 64 : 32;
}

[[gnu::always_inline]] inline Vector load(const uint8_t* p)
{
    return _mm512_loadu_si512(p);
}

[[gnu::always_inline]] inline Half load_half(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

[[gnu::always_inline]] inline Vector load_halves(const uint8_t* low, const uint8_t* high)
{
    return _mm512_inserti64x4(_mm512_castsi256_si512(load_half(low)), load_half(high), 1);
}

[[gnu::always_inline]] inline void store(uint8_t* p, Vector v)
{
    _mm512_storeu_si512(p, v);
}

[[gnu::always_inline]] inline void store(uint8_t* p, Half v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

[[gnu::always_inline]] inline void store(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

[[gnu::always_inline]] inline Half low_half(Vector v)
{
    return _mm512_castsi512_si256(v);
}

[[gnu::always_inline]] inline Half high_half(Vector v)
{
    return _mm512_extracti64x4_epi64(v, 1);
}

// Index vectors, made at compile time: entry i of a table of n entries.
using Indices = std::array<uint16_t, 64>;

template <typename Entry>
constexpr Indices indices(int n, Entry entry)
{
    Indices t{};
    for (int i = 0; i < n; ++i)
        t[size_t(i)] = uint16_t(entry(i));
    return t;
}

// A table of 64 bytes or 32 words, as a vector.
template <Indices t, int bytes_each>
[[gnu::always_inline]] inline Vector table()
{
    alignas(64) static constexpr std::array<uint8_t, 64> data = [] {
        std::array<uint8_t, 64> d{};
        for (size_t i = 0; i < 64 / bytes_each; ++i)
            for (int b = 0; b < bytes_each; ++b)
                d[i * bytes_each + size_t(b)] = uint8_t(t[i] >> (8 * b));
        return d;
    }();
    return _mm512_load_si512(data.data());
}

// Byte i of the result is byte t[i] of a (0-63) or of b (64-127); word i,
// word t[i] of a (0-31) or of b (32-63); the same of one vector.
template <Indices t>
[[gnu::always_inline]] inline Vector bytes_of(Vector a, Vector b)
{
    return _mm512_permutex2var_epi8(a, table<t, 1>(), b);
}

template <Indices t>
[[gnu::always_inline]] inline Vector bytes_of(Vector a)
{
    return _mm512_permutexvar_epi8(table<t, 1>(), a);
}

template <Indices t>
[[gnu::always_inline]] inline Vector words_of(Vector a, Vector b)
{
    return _mm512_permutex2var_epi16(a, table<t, 2>(), b);
}

template <Indices t>
[[gnu::always_inline]] inline Vector words_of(Vector a)
{
    return _mm512_permutexvar_epi16(table<t, 2>(), a);
}

// Sums of `from` bits scaled by 2^scale, in words below 2^15, as samples of
// `to` bits: (sum + 2^(shift - 1)) >> shift by one rounding multiply where
// bits go, sum << -shift where they come.
template <int scale, int from, int to>
[[gnu::always_inline]] inline Vector rounded(Vector sums)
{
    constexpr int shift = scale + from - to;
    if constexpr (shift > 0)
        return _mm512_mulhrs_epi16(sums, _mm512_set1_epi16(int16_t(1 << (15 - shift))));
    else if constexpr (shift < 0)
        return _mm512_slli_epi16(sums, -shift);
    else
        return sums;
}

// Words as bytes, saturated: a half vector of them.
[[gnu::always_inline]] inline Half narrowed(Vector words)
{
    return _mm512_cvtusepi16_epi8(words);
}

// How a layout's reader lays its chroma out in a block: the pairs as they
// lie in semi-planar rows and in v210, Cb | Cr from planar rows and from
// the packed 8-bit ones, which the reader sorts anyway.
enum class Chroma { planes, pairs };

template <int32_t code>
constexpr Chroma arrangement = format_info(code).layout == Layout::semi_planar || format_info(code).layout == Layout::v210
                                   ? Chroma::pairs
                                   : Chroma::planes;

// Where chroma c (0 Cb, 1 Cr) of pixel pair k lies among the n chroma
// samples of a block laid out as `a`.
constexpr int place(Chroma a, int n, int c, int k)
{
    return a == Chroma::planes ? c * n / 2 + k : 2 * k + c;
}

// Where sample t of the 64 bytes of an 8-bit block's chroma lies among the
// 64 words of its sums, the low ones first: the mix sums bytes 0-7 of each
// 16-byte lane into `low`, bytes 8-15 into `high`.
constexpr int sum_place(int t)
{
    return (t % 16 < 8 ? 0 : 32) + t / 16 * 8 + t % 8;
}

// The samples of one block of pixels, and of `n` blocks in a row.
struct Block {
    Vector luma, chroma;
};

template <size_t n>
struct Blocks {
    Block block[n];
};

// Chroma sums of a block: of 8-bit samples, of bytes 0-7 of each 16-byte
// lane and of bytes 8-15; of 10-bit ones, of each word.
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

// The weights of the two rows a mix sums.
template <int depth>
struct Weights;

template <>
struct Weights<8> {
    Vector pairs; // a's weight and b's, in the bytes of each word
};

template <>
struct Weights<10> {
    Vector a, b;
};

template <int depth>
Weights<depth> weights(Avx512, int a, int b)
{
    if constexpr (depth == 8)
        return {_mm512_set1_epi16(int16_t(b << 8 | a))};
    else
        return {_mm512_set1_epi16(int16_t(a)), _mm512_set1_epi16(int16_t(b))};
}

// The field-aware mix: a * a's weight + b * b's weight of every chroma
// sample, at full precision.
[[gnu::always_inline]] inline Sums<8> mix(Avx512, Vector a, Vector b, const Weights<8>& w)
{
    return {_mm512_maddubs_epi16(_mm512_unpacklo_epi8(a, b), w.pairs),
            _mm512_maddubs_epi16(_mm512_unpackhi_epi8(a, b), w.pairs)};
}

[[gnu::always_inline]] inline Sums<10> mix(Avx512, Vector a, Vector b, const Weights<10>& w)
{
    return {_mm512_add_epi16(_mm512_mullo_epi16(a, w.a), _mm512_mullo_epi16(b, w.b))};
}

// v210: six pixels in four 32-bit words, three samples a word in bits 0-9,
// 10-19 and 20-29. Where each sample lies: its word and field, of the luma
// of pixels 0-5 and of Cb and Cr of pixel pairs 0-2.
constexpr int v210_luma[6][2] = {{0, 1}, {1, 0}, {1, 2}, {2, 1}, {3, 0}, {3, 2}};
constexpr int v210_chroma[2][3][2] = {{{0, 0}, {1, 1}, {2, 2}}, {{0, 2}, {2, 0}, {3, 1}}};

// The 32-bit word of a step of v210, and its field, that hold sample s of
// block j: the luma of a pixel, or of the chroma pairs in order, a pair's Cb
// or Cr.
constexpr std::array<int, 2> v210_field(bool luma, int j, int s)
{
    if (luma) {
        const int pixel = 32 * j + s;
        return {pixel / 6 * 4 + v210_luma[pixel % 6][0], v210_luma[pixel % 6][1]};
    }
    const int pair = 16 * j + s / 2;
    return {pair / 3 * 4 + v210_chroma[s % 2][pair % 3][0], v210_chroma[s % 2][pair % 3][1]};
}

// Of the step's vectors j and j + 1, the two bytes that hold each sample of
// block j, and how far up their 16 bits it lies.
template <bool luma, int j>
constexpr Indices v210_gather = indices(64, [](int i) {
    const auto [word, field] = v210_field(luma, j, i / 2);
    return 4 * word + 10 * field / 8 - 64 * j + i % 2;
});

template <bool luma, int j>
constexpr Indices v210_shifts = indices(32, [](int i) { return 10 * v210_field(luma, j, i)[1] % 8; });

// Block j of a step of v210: its luma or its chroma pairs as words.
template <bool luma, int j>
[[gnu::always_inline]] inline Vector v210_samples(const uint8_t* groups)
{
    const Vector words = bytes_of<v210_gather<luma, j>>(load(groups + 64 * j), load(groups + 64 * j + 64));
    return _mm512_and_si512(_mm512_srlv_epi16(words, table<v210_shifts<luma, j>, 2>()), _mm512_set1_epi16(0x3FF));
}

// Readers.

// The luma and the chroma of a block of a planar or semi-planar row, 4:2:2 or
// 4:2:0, the bits outside each 10-bit sample dropped.
template <int32_t code>
[[gnu::always_inline]] inline Vector read_luma(Avx512, const uint8_t* row, size_t x)
{
    constexpr Format f = format_info(code);
    if constexpr (f.depth == 8)
        return load(row + x);
    else if constexpr (f.layout == Layout::planar)
        return _mm512_and_si512(load(row + 2 * x), _mm512_set1_epi16(0x3FF));
    else
        return _mm512_srli_epi16(load(row + 2 * x), 6);
}

template <int32_t code>
[[gnu::always_inline]] inline Vector read_chroma(Avx512, const Rows& row, size_t x)
{
    constexpr Format f = format_info(code);
    if constexpr (f.depth == 8)
        return f.layout == Layout::planar ? load_halves(row.plane[1] + x / 2, row.plane[2] + x / 2)
                                          : load(row.plane[1] + x);
    else if constexpr (f.layout == Layout::planar)
        return _mm512_and_si512(load_halves(row.plane[1] + x, row.plane[2] + x), _mm512_set1_epi16(0x3FF));
    else
        return _mm512_srli_epi16(load(row.plane[1] + 2 * x), 6);
}

// The bytes of a UYVY or YUY2 quad: luma 0 and 1, Cb and Cr.
template <Layout layout>
constexpr int quad_luma = layout == Layout::uyvy ? 1 : 0;

template <Layout layout>
constexpr int quad_chroma = layout == Layout::uyvy ? 0 : 1;

template <Layout layout>
constexpr Indices packed_luma = indices(64, [](int i) { return 2 * i + quad_luma<layout>; });

template <Layout layout>
constexpr Indices packed_chroma = indices(64, [](int i) { return 4 * (i % 32) + 2 * (i / 32) + quad_chroma<layout>; });

// The blocks of a 4:2:2 row from pixel x: one of 64 or 32 pixels, or three of
// 32 from v210.
template <int32_t code>
[[gnu::always_inline]] inline Blocks<format_info(code).layout == Layout::v210 ? 3 : 1> read_row(Avx512, const Rows& row,
                                                                                                  size_t x)
{
    constexpr Format f = format_info(code);
    const uint8_t* p = row.plane[0];
    if constexpr (f.layout == Layout::uyvy || f.layout == Layout::yuy2) {
        const Vector a = load(p + 2 * x), b = load(p + 2 * x + 64);
        return {{{bytes_of<packed_luma<f.layout>>(a, b), bytes_of<packed_chroma<f.layout>>(a, b)}}};
    } else if constexpr (f.layout == Layout::v210) {
        const uint8_t* groups = p + x / 6 * 16;
        return {{{v210_samples<true, 0>(groups), v210_samples<false, 0>(groups)},
                 {v210_samples<true, 1>(groups), v210_samples<false, 1>(groups)},
                 {v210_samples<true, 2>(groups), v210_samples<false, 2>(groups)}}};
    } else {
        return {{{read_luma<code>(Avx512(), p, x), read_chroma<code>(Avx512(), row, x)}}};
    }
}

// Writers.

// A block's luma into a planar or semi-planar row, from samples of the
// source's depth.
template <int32_t code, int32_t source>
[[gnu::always_inline]] inline void write_luma(Avx512, uint8_t* row, size_t x, Vector luma)
{
    constexpr Format f = format_info(code);
    constexpr int from = format_info(source).depth;
    if constexpr (f.depth == 8 && from == 8) {
        store(row + x, luma);
    } else if constexpr (f.depth == 8) {
        store(row + x, narrowed(rounded<0, 10, 8>(luma)));
    } else if constexpr (from == 8) {
        constexpr int shift = 2 + word_shift(f);
        store(row + 2 * x, _mm512_slli_epi16(_mm512_cvtepu8_epi16(low_half(luma)), shift));
        store(row + 2 * x + 64, _mm512_slli_epi16(_mm512_cvtepu8_epi16(high_half(luma)), shift));
    } else {
        store(row + 2 * x, _mm512_slli_epi16(luma, word_shift(f)));
    }
}

// Chroma of pair k, c 0 for Cb and 1 for Cr, of a block of `samples` laid
// out as `a`: its place among the block's samples, or among the 64 words of
// the sums of an 8-bit block.
template <Chroma a, int samples, bool sums>
constexpr int chroma_place(int c, int k)
{
    const int t = place(a, samples, c, k);
    return sums ? sum_place(t) : t;
}

// The chroma samples of `count` places from pair `first` on: the Cb of each
// pair, or its Cr; the pairs in order; or, as planes, the Cb of count / 2
// pairs and then their Cr.
enum class Order { cb, cr, pairs, planes };

template <Chroma a, int samples, bool sums, Order order, int first, int count>
constexpr Indices chroma_places = indices(count, [](int i) {
    const int c = order == Order::cb ? 0 : order == Order::cr ? 1 : order == Order::pairs ? i % 2 : i / (count / 2);
    const int k = first + (order == Order::pairs ? i / 2 : order == Order::planes ? i % (count / 2) : i);
    return chroma_place<a, samples, sums>(c, k);
});

template <Chroma a>
constexpr Order order_of = a == Chroma::planes ? Order::planes : Order::pairs;

// A block's chroma sums into a planar or semi-planar row, laid out as the
// source's reader gave them: scaled by 4 into 4:2:0, by 8 into 4:2:2.
template <int32_t code, int32_t source, int from = format_info(source).depth>
[[gnu::always_inline]] inline void write_chroma(Avx512, const Rows& row, size_t x, const Sums<from>& sums)
{
    constexpr Format f = format_info(code);
    constexpr int scale = f.subsampled ? 2 : 3, to = f.depth, up = word_shift(f);
    constexpr Chroma a = arrangement<source>, want = f.layout == Layout::planar ? Chroma::planes : Chroma::pairs;
    if constexpr (from == 8 && to == 8) {
        // Packing puts the bytes back as they were.
        Vector bytes = _mm512_packus_epi16(rounded<scale, 8, 8>(sums.low), rounded<scale, 8, 8>(sums.high));
        if constexpr (a != want)
            bytes = bytes_of<chroma_places<a, 64, false, order_of<want>, 0, 64>>(bytes);
        if constexpr (want == Chroma::planes) {
            store(row.plane[1] + x / 2, low_half(bytes));
            store(row.plane[2] + x / 2, high_half(bytes));
        } else {
            store(row.plane[1] + x, bytes);
        }
    } else if constexpr (from == 8) {
        const Vector low = rounded<scale, 8, 10>(sums.low), high = rounded<scale, 8, 10>(sums.high);
        if constexpr (want == Chroma::planes) {
            store(row.plane[1] + x, words_of<chroma_places<a, 64, true, Order::cb, 0, 32>>(low, high));
            store(row.plane[2] + x, words_of<chroma_places<a, 64, true, Order::cr, 0, 32>>(low, high));
        } else {
            store(row.plane[1] + 2 * x,
                  _mm512_slli_epi16(words_of<chroma_places<a, 64, true, Order::pairs, 0, 32>>(low, high), up));
            store(row.plane[1] + 2 * x + 64,
                  _mm512_slli_epi16(words_of<chroma_places<a, 64, true, Order::pairs, 16, 32>>(low, high), up));
        }
    } else {
        Vector words = rounded<scale, 10, to>(sums.words);
        if constexpr (a != want)
            words = words_of<chroma_places<a, 32, false, order_of<want>, 0, 32>>(words);
        if constexpr (to == 8) {
            const Half bytes = narrowed(words);
            if constexpr (want == Chroma::planes) {
                store(row.plane[1] + x / 2, _mm256_castsi256_si128(bytes));
                store(row.plane[2] + x / 2, _mm256_extracti128_si256(bytes, 1));
            } else {
                store(row.plane[1] + x, bytes);
            }
        } else if constexpr (want == Chroma::planes) {
            store(row.plane[1] + x, low_half(words));
            store(row.plane[2] + x, high_half(words));
        } else {
            store(row.plane[1] + 2 * x, _mm512_slli_epi16(words, up));
        }
    }
}

// A row of UYVY or YUY2 bytes, quad by quad, from bytes 64 * `part` on: of
// a table of `chroma_bytes` chroma samples laid out as `a` and the luma bytes
// after them.
template <Layout layout, Chroma a, int chroma_bytes, int part>
constexpr Indices quads = indices(64, [](int i) {
    const int b = 64 * part + i, k = b / 4, r = b % 4, y = quad_luma<layout>;
    return r == y || r == y + 2 ? chroma_bytes + 2 * k + (r - y) / 2 : place(a, chroma_bytes, (r - quad_chroma<layout>) / 2, k);
});

// The samples of a row of v210 in the order of its fields, a pixel pair's Cb,
// luma, Cr and luma in turn, as 16 pixels of words from a 10-bit block's
// chroma (laid out as `a`) and luma, pixels 16 * half on.
template <Chroma a, int half>
constexpr Indices in_field_order = indices(32, [](int i) {
    const int k = 8 * half + i / 4, r = i % 4;
    return r % 2 ? 32 + 2 * k + r / 2 : place(a, 32, r / 2, k);
});

// Vector n of v210 (of 16 32-bit words) from the 96 samples in field order
// of three vectors, taking vector n and the next: of each 32-bit word, fields
// 0 and 1 in its halves, or field 2 in its lower half.
template <int field, int n>
constexpr Indices v210_fields = indices(32, [](int i) {
    const int word = 16 * n + i / 2;
    return (field == 2 ? 3 * word + 2 : 3 * word + i % 2) - 32 * n;
});

// Groups of v210 from samples in field order, 32 words a vector: each 32-bit
// word's fields 0 and 1 summed by a multiply-add by their place values, field
// 2 moved up to bit 20.
template <int n>
[[gnu::always_inline]] inline void write_v210_vector(uint8_t* groups, Vector first, Vector second)
{
    const Vector low = words_of<v210_fields<0, n>>(first, second);
    const Vector third = _mm512_maskz_permutex2var_epi16(0x55555555, first, table<v210_fields<2, n>, 2>(), second);
    store(groups + 64 * n,
          _mm512_or_si512(_mm512_madd_epi16(low, _mm512_set1_epi32(1024 << 16 | 1)), _mm512_slli_epi32(third, 20)));
}

// v210 from blocks of 10-bit luma and chroma sums of 32 pixels each, their
// chroma laid out as `a`: 16 groups from three blocks, 32 from six.
template <Chroma a, size_t blocks>
[[gnu::always_inline]] inline void write_v210(uint8_t* groups, const Vector (&luma)[blocks],
                                              const Vector (&chroma)[blocks])
{
    Vector samples[2 * blocks];
    for (size_t b = 0; b < blocks; ++b) {
        samples[2 * b] = words_of<in_field_order<a, 0>>(chroma[b], luma[b]);
        samples[2 * b + 1] = words_of<in_field_order<a, 1>>(chroma[b], luma[b]);
    }
    // Every three vectors of samples make two of v210.
    for (size_t t = 0; t < 2 * blocks; t += 3) {
        write_v210_vector<0>(groups + 128 * (t / 3), samples[t], samples[t + 1]);
        write_v210_vector<1>(groups + 128 * (t / 3), samples[t + 1], samples[t + 2]);
    }
}

// The blocks of a 4:2:2 row into the row from pixel x: luma at the source's
// depth and chroma sums scaled by 8, laid out as the source's reader gave
// them.
template <int32_t code, int32_t source, int from = format_info(source).depth, size_t blocks>
[[gnu::always_inline]] inline void write_row(Avx512, const Rows& row, size_t x, const Vector (&luma)[blocks],
                                             const Sums<from> (&sums)[blocks])
{
    constexpr Format f = format_info(code);
    constexpr Chroma a = arrangement<source>;
    uint8_t* p = row.plane[0];
    if constexpr (f.layout == Layout::v210 && from == 10) {
        Vector chroma[blocks];
        for (size_t b = 0; b < blocks; ++b)
            chroma[b] = rounded<3, 10, 10>(sums[b].words);
        write_v210<a>(p + x / 6 * 16, luma, chroma);
    } else if constexpr (f.layout == Layout::v210) {
        // Each block of 64 pixels as two of 32 in 10-bit words, chroma in
        // pairs.
        Vector luma10[2 * blocks], chroma10[2 * blocks];
        for (size_t b = 0; b < blocks; ++b) {
            const Vector low = rounded<3, 8, 10>(sums[b].low), high = rounded<3, 8, 10>(sums[b].high);
            luma10[2 * b] = _mm512_slli_epi16(_mm512_cvtepu8_epi16(low_half(luma[b])), 2);
            luma10[2 * b + 1] = _mm512_slli_epi16(_mm512_cvtepu8_epi16(high_half(luma[b])), 2);
            chroma10[2 * b] = words_of<chroma_places<a, 64, true, Order::pairs, 0, 32>>(low, high);
            chroma10[2 * b + 1] = words_of<chroma_places<a, 64, true, Order::pairs, 16, 32>>(low, high);
        }
        write_v210<Chroma::pairs>(p + x / 6 * 16, luma10, chroma10);
    } else if constexpr (f.layout == Layout::uyvy || f.layout == Layout::yuy2) {
        if constexpr (from == 8) {
            const Vector chroma =
                _mm512_packus_epi16(rounded<3, 8, 8>(sums[0].low), rounded<3, 8, 8>(sums[0].high));
            store(p + 2 * x, bytes_of<quads<f.layout, a, 64, 0>>(chroma, luma[0]));
            store(p + 2 * x + 64, bytes_of<quads<f.layout, a, 64, 1>>(chroma, luma[0]));
        } else {
            // 32 pixels: the chroma's bytes, then the luma's.
            const Vector bytes = _mm512_inserti64x4(_mm512_castsi256_si512(narrowed(rounded<3, 10, 8>(sums[0].words))),
                                                    narrowed(rounded<0, 10, 8>(luma[0])), 1);
            store(p + 2 * x, bytes_of<quads<f.layout, a, 32, 0>>(bytes));
        }
    } else {
        write_luma<code, source>(Avx512(), p, x, luma[0]);
        write_chroma<code, source>(Avx512(), row, x, sums[0]);
    }
}

template <Pair pair>
constexpr RowGroupFunction avx512_kernel()
{
    if constexpr (unfolds(pair))
        return composed_unfold<Avx512, pair>;
    else
        return composed_fold<Avx512, pair>;
}

struct Avx512Kernels {
    template <Pair pair>
    static constexpr RowGroupFunction kernel = avx512_kernel<pair>();
};

} // namespace

const KernelSet& avx512_kernel_set()
{
    static constexpr KernelSet set = kernel_set<Avx512Kernels>("avx512");
    return set;
}
