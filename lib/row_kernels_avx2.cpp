#include "lib/row_kernels_x86.h"

#include <immintrin.h>

// Whole vectors of 16 quads here, the rest of each row by the SSE2 kernel, which
// takes 8 quads at a time and leaves at most 7 to the plain C one; so every byte
// equals the reference. Each source vector is sorted once, within its 128-bit
// lanes, into luma and chroma halves; chroma is mixed while U and V still share
// a vector; lane order is fixed once per store.

namespace {

// Eight quads sorted lane by lane: Y0 Y1 of quads 0-3, their U, their V | the
// same of quads 4-7.
inline __m256i sorted_quads(const uint8_t* p)
{
    const __m256i order = _mm256_setr_epi8(1, 3, 5, 7, 9, 11, 13, 15, 0, 4, 8, 12, 2, 6, 10, 14,
                                           1, 3, 5, 7, 9, 11, 13, 15, 0, 4, 8, 12, 2, 6, 10, 14);
    return _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), order);
}

// Stores the 32 luma bytes of 16 quads of one row and returns their chroma as
// 4-byte groups: U0-3 U8-11 V0-3 V8-11 | U4-7 U12-15 V4-7 V12-15.
inline __m256i split_quads(uint8_t* luma, const uint8_t* quads)
{
    const __m256i a = sorted_quads(quads), b = sorted_quads(quads + 32);
    // Luma of quads 0-3, 8-11 | 4-7, 12-15, put in row order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(luma),
                        _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8));
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

// Mixes the chroma of 16 quads and stores it as 16 U and 16 V bytes.
inline void store_mixed(uint8_t* u, uint8_t* v, __m256i near, __m256i far)
{
    const __m256i planes =
        _mm256_permutevar8x32_epi32(mix(near, far), _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(u), _mm256_castsi256_si128(planes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(v), _mm256_extracti128_si256(planes, 1));
}

} // namespace

void convert_row_group_avx2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width)
{
    const int32_t quads = width / 2 / 16 * 16;
    for (int32_t i = 0; i < quads; i += 16) {
        // Each source byte is loaded and sorted once, for its luma and its chroma.
        __m256i chroma[4];
        for (int r = 0; r < 4; ++r)
            chroma[r] = split_quads(luma + r * luma_stride + 2 * i, src + r * src_stride + 4 * i);
        // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
        store_mixed(u + i, v + i, chroma[0], chroma[2]);
        store_mixed(u + u_stride + i, v + v_stride + i, chroma[3], chroma[1]);
    }
    convert_row_group_sse2(luma + 2 * quads, luma_stride, u + quads, u_stride, v + quads, v_stride,
                           src + 4 * quads, src_stride, width - 2 * quads);
}
