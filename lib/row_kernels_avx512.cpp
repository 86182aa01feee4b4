#include "lib/kernel_set.h"
#include "lib/row_composition.h"

#include <array>
#include <immintrin.h>

// The pairs that 512-bit vectors and AVX-512's permutes convert faster than
// the AVX2 rung does, composed of a reader of the source's rows and a writer
// of the output's with the field-aware mix once between them
// (row_composition.h): v210 into the 8-bit 4:2:0 layouts and the 10-bit ones
// into v210, whose AVX2 kernels are bound by their instructions; and the
// 10-bit 4:2:0 layouts into I422. Every other pair runs its AVX2 kernel on
// this rung too, 256-bit: those are bound by the memory, and 512-bit rows
// that do not start on a 64-byte boundary, as 720-pixel rows do not, split
// every access across two cache lines (measured up to 1.6 times slower).
//
// VBMI's byte permutes take any byte of one or two vectors (vpermb,
// vpermt2b), and BW's word permutes any word: v210's fields are taken out of
// their 32-bit words by a permute and a variable shift each, and put in by a
// permute, a multiply-add and a shift. A reader gives a block of 32 pixels as
// 10-bit samples in words, luma in order and chroma as Cb | Cr (`planes`)
// or as the Cb, Cr pairs in order (`in_pairs`), as the layout lays it out; v210
// gives three blocks, 96 pixels, and takes three. The last step of a row is
// moved back to end at the row's end (each_step), and only the pixels of a
// v210 group that the row uses in part go to the plain C kernel.

namespace {

// The rung's tag, by which the composition finds its readers and writers.
struct Avx512 {
    static constexpr const char* name = "avx512";
};

using Vector = __m512i;
using Half = __m256i;

constexpr int block_pixels(Avx512, int)
{
    return 32;
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
// word t[i] of a (0-31) or of b (32-63), or of a alone.
template <Indices t>
[[gnu::always_inline]] inline Vector bytes_of(Vector a, Vector b)
{
    return _mm512_permutex2var_epi8(a, table<t, 1>(), b);
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

// Sums of 10-bit samples scaled by 2^scale, in words below 2^15, as samples
// of `to` bits: (sum + 2^(shift - 1)) >> shift, by one rounding multiply.
template <int scale, int to>
[[gnu::always_inline]] inline Vector rounded(Vector sums)
{
    constexpr int shift = scale + 10 - to;
    static_assert(shift > 0, "bits go");
    return _mm512_mulhrs_epi16(sums, _mm512_set1_epi16(int16_t(1 << (15 - shift))));
}

// Words as bytes, saturated: a half vector of them.
[[gnu::always_inline]] inline Half narrowed(Vector words)
{
    return _mm512_cvtusepi16_epi8(words);
}

// Where chroma c (0 Cb, 1 Cr) of pixel pair k lies among the 32 chroma
// samples of a block laid out as `a`.
constexpr int place(ChromaOrder a, int c, int k)
{
    return a == ChromaOrder::planes ? 16 * c + k : 2 * k + c;
}

// The samples of one block of pixels, and of `n` blocks in a row.
struct Block {
    Vector luma, chroma;
};

template <size_t n>
struct Blocks {
    Block block[n];
};

// Chroma sums of a block, in words.
struct Sums {
    Vector words;
};

// The weights of the two rows a mix sums.
struct Weights {
    Vector a, b;
};

template <int depth, int total>
Weights weights(Avx512, int a, int b)
{
    static_assert(depth == 10, "10-bit sources only");
    return {_mm512_set1_epi16(int16_t(a)), _mm512_set1_epi16(int16_t(b))};
}

// The field-aware mix: a * a's weight + b * b's weight of every chroma
// sample, at full precision.
[[gnu::always_inline]] inline Sums mix(Avx512, Vector a, Vector b, const Weights& w)
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

// The luma and the chroma of a block of a 10-bit planar or semi-planar row,
// the bits outside each sample dropped.
template <int32_t code>
[[gnu::always_inline]] inline Vector read_luma(Avx512, const uint8_t* row, size_t x)
{
    if constexpr (format_info(code).layout == Layout::planar)
        return _mm512_and_si512(load(row + 2 * x), _mm512_set1_epi16(0x3FF));
    else
        return _mm512_srli_epi16(load(row + 2 * x), 6);
}

template <int32_t code>
[[gnu::always_inline]] inline Vector read_chroma(Avx512, const Rows& row, size_t x)
{
    if constexpr (format_info(code).layout == Layout::planar)
        return _mm512_and_si512(load_halves(row.plane[1] + x, row.plane[2] + x), _mm512_set1_epi16(0x3FF));
    else
        return _mm512_srli_epi16(load(row.plane[1] + 2 * x), 6);
}

// The three blocks of a v210 row from pixel x.
template <int32_t code>
[[gnu::always_inline]] inline Blocks<3> read_row(Avx512, const Rows& row, size_t x)
{
    static_assert(format_info(code).layout == Layout::v210, "v210 only");
    const uint8_t* groups = row.plane[0] + x / 6 * 16;
    return {{{v210_samples<true, 0>(groups), v210_samples<false, 0>(groups)},
             {v210_samples<true, 1>(groups), v210_samples<false, 1>(groups)},
             {v210_samples<true, 2>(groups), v210_samples<false, 2>(groups)}}};
}

// Writers.

// The 32 chroma samples of a block laid out as `a`, laid out as `want`.
template <ChromaOrder a, ChromaOrder want>
constexpr Indices rearranged = indices(32, [](int i) {
    return want == ChromaOrder::planes ? place(a, i / 16, i % 16) : place(a, i % 2, i / 2);
});

// A block's luma and its chroma sums, of 10 bits, into an 8-bit planar or
// semi-planar row: sums scaled by 4 into 4:2:0, by 8 into 4:2:2.
template <int32_t code, int32_t source>
[[gnu::always_inline]] inline void write_luma(Avx512, uint8_t* row, size_t x, Vector luma)
{
    static_assert(format_info(code).depth == 8 && format_info(source).depth == 10, "10 bits into 8 only");
    store(row + x, narrowed(rounded<0, 8>(luma)));
}

template <int32_t code, int32_t source>
[[gnu::always_inline]] inline void write_chroma(Avx512, const Rows& row, size_t x, const Sums& sums)
{
    constexpr Format f = format_info(code);
    static_assert(f.depth == 8 && format_info(source).depth == 10, "10 bits into 8 only");
    constexpr ChromaOrder a = chroma_order<source>;
    constexpr ChromaOrder want = f.layout == Layout::planar ? ChromaOrder::planes : ChromaOrder::in_pairs;
    Vector words = rounded<f.subsampled ? 2 : 3, 8>(sums.words);
    if constexpr (a != want)
        words = words_of<rearranged<a, want>>(words);
    const Half bytes = narrowed(words);
    if constexpr (want == ChromaOrder::planes) {
        store(row.plane[1] + x / 2, _mm256_castsi256_si128(bytes));
        store(row.plane[2] + x / 2, _mm256_extracti128_si256(bytes, 1));
    } else {
        store(row.plane[1] + x, bytes);
    }
}

// The samples of a row of v210 in the order of its fields, a pixel pair's Cb,
// luma, Cr and luma in turn, as 16 pixels of words from a block's chroma
// (laid out as `a`) and luma, pixels 16 * half on.
template <ChromaOrder a, int half>
constexpr Indices in_field_order = indices(32, [](int i) {
    const int k = 8 * half + i / 4, r = i % 4;
    return r % 2 ? 32 + 2 * k + r / 2 : place(a, r / 2, k);
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

// The blocks of a 4:2:2 row into the row from pixel x: three blocks of 10-bit
// luma and chroma sums scaled by 8 into 16 groups of v210, or one into I422.
template <int32_t code, int32_t source, size_t blocks>
[[gnu::always_inline]] inline void write_row(Avx512, const Rows& row, size_t x, const Vector (&luma)[blocks],
                                             const Sums (&sums)[blocks])
{
    if constexpr (format_info(code).layout == Layout::v210) {
        Vector samples[2 * blocks];
        for (size_t b = 0; b < blocks; ++b) {
            const Vector chroma = rounded<3, 10>(sums[b].words);
            samples[2 * b] = words_of<in_field_order<chroma_order<source>, 0>>(chroma, luma[b]);
            samples[2 * b + 1] = words_of<in_field_order<chroma_order<source>, 1>>(chroma, luma[b]);
        }
        // Every three vectors of samples make two of v210.
        write_v210_vector<0>(row.plane[0] + x / 6 * 16, samples[0], samples[1]);
        write_v210_vector<1>(row.plane[0] + x / 6 * 16, samples[1], samples[2]);
        write_v210_vector<0>(row.plane[0] + x / 6 * 16 + 128, samples[3], samples[4]);
        write_v210_vector<1>(row.plane[0] + x / 6 * 16 + 128, samples[4], samples[5]);
    } else {
        write_luma<code, source>(Avx512(), row.plane[0], x, luma[0]);
        write_chroma<code, source>(Avx512(), row, x, sums[0]);
    }
}

// The pairs of this rung: those of v210 with the 8-bit 4:2:0 layouts out and
// the 10-bit ones in, and the 10-bit 4:2:0 layouts into I422. Every other
// pair takes the AVX2 rung's kernel, as best_kernel gives it.
template <Pair pair>
constexpr RowGroupFunction kernel_of(Avx512)
{
    constexpr Format source = format_info(pair.source), output = format_info(pair.output);
    if constexpr (source.layout == Layout::v210 && output.depth == 8)
        return composed_fold<Avx512, pair>;
    else if constexpr (unfolds(pair) && source.depth == 10 &&
                       (output.layout == Layout::v210 || output.code == CHROMAFOLD_FORMAT_I422))
        return composed_unfold<Avx512, pair>;
    else
        return nullptr;
}

} // namespace

const KernelSet& avx512_kernel_set()
{
    return kernel_set<Avx512>;
}
