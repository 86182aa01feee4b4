#include "lib/row_kernels_x86.h"

#include "lib/formats.h"

#include <cstring>
#include <immintrin.h>

// The 8-bit sources: whole vectors of 16 pixel pairs here, the rest of each
// row by the SSE2 kernel, which takes 8 pairs at a time and leaves at most 7
// to the plain C one. Each source vector is sorted once, within its 128-bit
// lanes, into luma and chroma halves; chroma is mixed while U and V still
// share a vector; lane order is fixed once per store.
//
// v210: two groups of six pixels, 32 bytes, a vector; each sample is gathered
// into a 16-bit lane from the two bytes that hold it and shifted into place.
// Each 128-bit lane holds one group and is stored on its own: lane-crossing
// shuffles cost more than the stores they save. The last pixels of each row
// go through rows of the kernel's own, so that no store passes the end of a
// row and no load the end of the groups that hold the row's pixels.

namespace {

inline __m256i load(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline void store(uint8_t* p, __m256i bytes)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), bytes);
}

inline void store(uint8_t* p, __m128i bytes)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), bytes);
}

// Eight 8-bit pixel pairs sorted lane by lane: the luma of pairs 0-3, their
// U, their V | the same of pairs 4-7. UYVY pairs are U Y0 V Y1; YUY2 Y0 U Y1 V.
template <int32_t source>
inline __m256i sorted_pairs(const uint8_t* p)
{
    const __m256i order =
        source == CHROMAFOLD_SOURCE_UYVY
            ? _mm256_setr_epi8(1, 3, 5, 7, 9, 11, 13, 15, 0, 4, 8, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11,
                               13, 15, 0, 4, 8, 12, 2, 6, 10, 14)
            : _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 5, 9, 13, 3, 7, 11, 15, 0, 2, 4, 6, 8, 10,
                               12, 14, 1, 5, 9, 13, 3, 7, 11, 15);
    return _mm256_shuffle_epi8(load(p), order);
}

// Stores the 32 luma bytes of 16 pixel pairs of one row and returns their
// chroma as 4-byte groups: U0-3 U8-11 V0-3 V8-11 | U4-7 U12-15 V4-7 V12-15.
template <int32_t source>
inline __m256i split_pairs(uint8_t* luma, const uint8_t* pairs)
{
    const __m256i a = sorted_pairs<source>(pairs), b = sorted_pairs<source>(pairs + 32);
    // Luma of pairs 0-3, 8-11 | 4-7, 12-15, put in row order.
    store(luma, _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8));
    return _mm256_unpackhi_epi32(a, b);
}

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far.
inline __m256i mix(__m256i near, __m256i far)
{
    const __m256i odd = _mm256_and_si256(_mm256_xor_si256(near, far), _mm256_set1_epi8(1));
    const __m256i half = _mm256_sub_epi8(_mm256_avg_epu8(near, far), odd);
    return _mm256_avg_epu8(near, half);
}

// Mixes the chroma of 16 pixel pairs, in split_pairs' order, and stores it as
// 16 U and 16 V bytes (I420) or as 16 U, V pairs (NV12).
template <int32_t output>
inline void store_mixed(uint8_t* u, uint8_t* v, __m256i near, __m256i far)
{
    if constexpr (output == CHROMAFOLD_OUTPUT_NV12) {
        // U0-3 V0-3 U4-7 V4-7 | U8-11 V8-11 U12-15 V12-15, then interleaved.
        const __m256i groups =
            _mm256_permutevar8x32_epi32(mix(near, far), _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
        const __m256i pairs = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4,
                                               1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
        store(u, _mm256_shuffle_epi8(groups, pairs));
    } else {
        const __m256i planes =
            _mm256_permutevar8x32_epi32(mix(near, far), _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        store(u, _mm256_castsi256_si128(planes));
        store(v, _mm256_extracti128_si256(planes, 1));
    }
}

// The samples of two v210 groups, each in a 16-bit lane, shifted up so that
// the sample fills bits 6-15 and bits 0-5 hold whatever lay below it: the
// luma of pixels 0-5 | 6-11, or the chroma of pixel pairs 0-2 | 3-5 as Cb, Cr
// alternating; the last two lanes of each half are zero.
inline __m256i v210_luma(__m256i groups)
{
    // The bytes that hold each sample, and 2^(6 - its shift within them).
    const __m256i bytes = _mm256_setr_epi8(1, 2, 4, 5, 6, 7, 9, 10, 12, 13, 14, 15, -1, -1, -1, -1, 1, 2,
                                           4, 5, 6, 7, 9, 10, 12, 13, 14, 15, -1, -1, -1, -1);
    const __m256i up = _mm256_setr_epi16(16, 64, 4, 16, 64, 4, 0, 0, 16, 64, 4, 16, 64, 4, 0, 0);
    return _mm256_mullo_epi16(_mm256_shuffle_epi8(groups, bytes), up);
}

inline __m256i v210_chroma(__m256i groups)
{
    const __m256i bytes = _mm256_setr_epi8(0, 1, 2, 3, 5, 6, 8, 9, 10, 11, 13, 14, -1, -1, -1, -1, 0, 1,
                                           2, 3, 5, 6, 8, 9, 10, 11, 13, 14, -1, -1, -1, -1);
    const __m256i up = _mm256_setr_epi16(64, 4, 16, 64, 4, 16, 0, 0, 64, 4, 16, 64, 4, 16, 0, 0);
    return _mm256_mullo_epi16(_mm256_shuffle_epi8(groups, bytes), up);
}

// The half of each lane that a group's output takes: its first 16 bytes (6
// samples of 16 bits), or its first 8 (6 bytes, or 3 samples of 16 bits), the
// first lane at `p` and the second `step` bytes on. Each store covers up to 4
// bytes more than the group's output.
inline void store_lanes(uint8_t* p, ptrdiff_t step, __m256i v)
{
    store(p, _mm256_castsi256_si128(v));
    store(p + step, _mm256_extracti128_si256(v, 1));
}

inline void store_low_halves(uint8_t* p, ptrdiff_t step, __m256i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(v));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + step), _mm256_extracti128_si256(v, 1));
}

// (x + 2) >> 2 of 16-bit lanes whose bits 0-6 do not count, from x >> 7:
// the rounded-up half of that.
inline __m256i quarter_rounded(__m256i x_bits_7_up)
{
    return _mm256_avg_epu16(x_bits_7_up, _mm256_setzero_si256());
}

// One step: 12 pixels of a row group, its rows and strides as a row-group
// kernel's. Each store covers the output of its 12 pixels and at most 2
// pixels' more, which the next step overwrites.
template <int32_t output>
inline void convert_v210_step(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride, uint8_t* v,
                              ptrdiff_t v_stride, const uint8_t* src, ptrdiff_t src_stride)
{
    constexpr ptrdiff_t bytes = sample_bytes(output);
    __m256i near_far[4];
    for (int r = 0; r < 4; ++r) {
        // Each source byte is loaded once, for its luma and its chroma.
        const __m256i groups = load(src + r * src_stride);
        const __m256i lifted = v210_luma(groups);
        uint8_t* const row = luma + r * luma_stride;
        if constexpr (output == CHROMAFOLD_OUTPUT_I010)
            store_lanes(row, 12, _mm256_srli_epi16(lifted, 6));
        else if constexpr (output == CHROMAFOLD_OUTPUT_P010)
            store_lanes(row, 12, _mm256_and_si256(lifted, _mm256_set1_epi16(-64)));
        else // min(255, (Y + 2) >> 2): packing saturates.
            store_low_halves(row, 6, _mm256_packus_epi16(quarter_rounded(_mm256_srli_epi16(lifted, 7)), lifted));
        near_far[r] = _mm256_srli_epi16(v210_chroma(groups), 6);
    }
    // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
    for (int field = 0; field < 2; ++field) {
        const __m256i near = near_far[field ? 3 : 0], far = near_far[field ? 1 : 2];
        uint8_t* const u_at = u + field * u_stride;
        uint8_t* const v_at = v + field * v_stride;
        if constexpr (ten_bit_output(output)) {
            // (3 * near + far + 2) >> 2, exactly: the rounded-up average of
            // near and the rounded-down average of near and far.
            const __m256i mixed = _mm256_avg_epu16(near, _mm256_srli_epi16(_mm256_add_epi16(near, far), 1));
            if constexpr (output == CHROMAFOLD_OUTPUT_P010) {
                store_lanes(u_at, 12, _mm256_slli_epi16(mixed, 6));
            } else {
                // Cb0-2 . Cr0-2 . | Cb3-5 . Cr3-5 .
                const __m256i apart = _mm256_shuffle_epi8(
                    mixed, _mm256_setr_epi8(0, 1, 4, 5, 8, 9, -1, -1, 2, 3, 6, 7, 10, 11, -1, -1, 0, 1, 4, 5, 8,
                                            9, -1, -1, 2, 3, 6, 7, 10, 11, -1, -1));
                store_low_halves(u_at, 3 * bytes, apart);
                store_low_halves(v_at, 3 * bytes, _mm256_srli_si256(apart, 8));
            }
        } else {
            // min(255, (3 * near + far + 8) >> 4): packing saturates.
            const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(near, near), _mm256_add_epi16(near, far));
            const __m256i pairs = _mm256_packus_epi16(quarter_rounded(_mm256_srli_epi16(sum, 3)), sum);
            if constexpr (output == CHROMAFOLD_OUTPUT_NV12) {
                store_low_halves(u_at, 6, pairs);
            } else {
                // Cb0-2 . Cr0-2 . in each lane.
                const __m256i apart = _mm256_shuffle_epi8(
                    pairs, _mm256_setr_epi8(0, 2, 4, -1, 1, 3, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 2, 4, -1,
                                            1, 3, 5, -1, -1, -1, -1, -1, -1, -1, -1, -1));
                const __m128i low = _mm256_castsi256_si128(apart), high = _mm256_extracti128_si256(apart, 1);
                _mm_storeu_si32(u_at, low);
                _mm_storeu_si32(u_at + 3, high);
                _mm_storeu_si32(v_at, _mm_srli_si128(low, 4));
                _mm_storeu_si32(v_at + 3, _mm_srli_si128(high, 4));
            }
        }
    }
}

} // namespace

template <int32_t source, int32_t output>
void convert_row_group_avx2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width)
{
    constexpr ptrdiff_t bytes = sample_bytes(output), step = chroma_step(output);
    int32_t x = 0;
    if constexpr (source == v210) {
        for (; x + 14 <= width; x += 12)
            convert_v210_step<output>(luma + x * bytes, luma_stride, u + x / 2 * step, u_stride, v + x / 2 * step,
                                      v_stride, src + x / 6 * 16, src_stride);
        // The last pixels, 12 or fewer, whose stores would pass the end of
        // the rows, go through rows of their own: their source groups copied
        // in, their output copied out, each exactly.
        if (x < width) {
            const ptrdiff_t left = width - x, row = 64;
            alignas(32) uint8_t scratch[4 + 2 + 2 + 4][row] = {};
            uint8_t* const luma_rows = scratch[0];
            uint8_t* const u_rows = scratch[4];
            uint8_t* const v_rows = interleaved_chroma(output) ? scratch[4] + bytes : scratch[6];
            for (int r = 0; r < 4; ++r)
                std::memcpy(scratch[8 + r], src + r * src_stride + x / 6 * 16, size_t(left + 5) / 6 * 16);
            convert_v210_step<output>(luma_rows, row, u_rows, row, v_rows, row, scratch[8], row);
            for (int r = 0; r < 4; ++r)
                std::memcpy(luma + r * luma_stride + x * bytes, scratch[r], size_t(left * bytes));
            for (int field = 0; field < 2; ++field) {
                std::memcpy(u + field * u_stride + x / 2 * step, scratch[4 + field], size_t(left / 2 * step));
                if (!interleaved_chroma(output))
                    std::memcpy(v + field * v_stride + x / 2 * step, scratch[6 + field], size_t(left / 2 * step));
            }
        }
    } else {
        for (; x + 32 <= width; x += 32) {
            __m256i chroma[4];
            for (int r = 0; r < 4; ++r)
                chroma[r] = split_pairs<source>(luma + r * luma_stride + x, src + r * src_stride + 2 * x);
            store_mixed<output>(u + x / 2 * step, v + x / 2 * step, chroma[0], chroma[2]);
            store_mixed<output>(u + u_stride + x / 2 * step, v + v_stride + x / 2 * step, chroma[3],
                                chroma[1]);
        }
        convert_row_group_sse2<source, output>(luma + x, luma_stride, u + x / 2 * step, u_stride,
                                               v + x / 2 * step, v_stride, src + 2 * x, src_stride,
                                               width - x);
    }
}

template RowGroupKernelType convert_row_group_avx2<uyvy, i420>;
template RowGroupKernelType convert_row_group_avx2<uyvy, nv12>;
template RowGroupKernelType convert_row_group_avx2<yuy2, i420>;
template RowGroupKernelType convert_row_group_avx2<yuy2, nv12>;
template RowGroupKernelType convert_row_group_avx2<v210, i420>;
template RowGroupKernelType convert_row_group_avx2<v210, nv12>;
template RowGroupKernelType convert_row_group_avx2<v210, i010>;
template RowGroupKernelType convert_row_group_avx2<v210, p010>;
