#include "convert/row_kernels_x86.h"

#include <immintrin.h>

// Whole vectors of 32 quads here, the rest of each row by the SSE2 kernels, which
// take 8 quads at a time and leave at most 7 to the plain C ones; so every byte
// equals the reference. AVX2 shuffles within 128-bit lanes; each result is put
// back into row order by permutes across lanes before it is stored.

namespace {

inline __m256i load(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

inline void store(uint8_t* p, __m256i value)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), value);
}

// Sorts the bytes of each 128-bit lane, four quads, into U0-U3 V0-V3 Y0..Y7.
inline __m256i sort_quads(const uint8_t* p)
{
    const __m256i order = _mm256_setr_epi8(0, 4, 8, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15,
                                           0, 4, 8, 12, 2, 6, 10, 14, 1, 3, 5, 7, 9, 11, 13, 15);
    return _mm256_shuffle_epi8(load(p), order);
}

// The 32 luma bytes of quads 0-7 (s0) and 8-15 (s1), sorted, in row order.
inline __m256i luma_of(__m256i s0, __m256i s1)
{
    // The high halves of the lanes hold luma of quads 0-3, 8-11, 4-7, 12-15.
    return _mm256_permute4x64_epi64(_mm256_unpackhi_epi64(s0, s1), 0xD8);
}

// The chroma of quads 0-7 (s0) and 8-15 (s1), sorted: 4-byte groups of U and
// V of quads 0-3, 8-11, 4-7, 12-15, as U V U V U V U V.
inline __m256i chroma_of(__m256i s0, __m256i s1)
{
    return _mm256_unpacklo_epi64(s0, s1);
}

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far.
inline __m256i mix(__m256i near, __m256i far)
{
    const __m256i odd = _mm256_and_si256(_mm256_xor_si256(near, far), _mm256_set1_epi8(1));
    const __m256i half = _mm256_sub_epi8(_mm256_avg_epu8(near, far), odd);
    return _mm256_avg_epu8(near, half);
}

// Stores the mixed chroma of quads 0-15 (c0) and 16-31 (c1) as 32 U and 32 V
// bytes in row order.
inline void store_split(uint8_t* u, uint8_t* v, __m256i c0, __m256i c1)
{
    // U of quads 0-3, 4-7, 8-11, 12-15 into the low lane, their V into the high.
    const __m256i by_plane = _mm256_setr_epi32(0, 4, 2, 6, 1, 5, 3, 7);
    const __m256i p0 = _mm256_permutevar8x32_epi32(c0, by_plane);
    const __m256i p1 = _mm256_permutevar8x32_epi32(c1, by_plane);
    store(u, _mm256_permute2x128_si256(p0, p1, 0x20));
    store(v, _mm256_permute2x128_si256(p0, p1, 0x31));
}

struct Chroma32 {
    __m256i uv0, uv1;
};

// The chroma of 32 quads of one row, or neutral chroma for a missing row.
inline Chroma32 chroma_row(const uint8_t* quads)
{
    if (!quads)
        return {_mm256_set1_epi8(char(128)), _mm256_set1_epi8(char(128))};
    return {chroma_of(sort_quads(quads), sort_quads(quads + 32)),
            chroma_of(sort_quads(quads + 64), sort_quads(quads + 96))};
}

// Mixes quads 0 to a multiple of 32 of a near and a far row, weighted 3:1; a
// null row stands for neutral chroma. Returns the number of quads done.
int32_t mix_rows(uint8_t* u, uint8_t* v, const uint8_t* near, const uint8_t* far, int32_t quads)
{
    int32_t i = 0;
    for (; i + 32 <= quads; i += 32) {
        const Chroma32 n = chroma_row(near ? near + 4 * i : nullptr);
        const Chroma32 f = chroma_row(far ? far + 4 * i : nullptr);
        store_split(u + i, v + i, mix(n.uv0, f.uv0), mix(n.uv1, f.uv1));
    }
    return i;
}

} // namespace

void copy_luma_row_avx2(uint8_t* luma, const uint8_t* src, int32_t width)
{
    int32_t x = 0;
    for (; x + 32 <= width; x += 32)
        store(luma + x, luma_of(sort_quads(src + 2 * x), sort_quads(src + 2 * x + 32)));
    copy_luma_row_sse2(luma + x, src + 2 * x, width - x);
}

void chroma_top_field_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                           ptrdiff_t row_distance)
{
    const int32_t i = mix_rows(u, v, upper, upper + row_distance, width / 2);
    chroma_top_field_sse2(u + i, v + i, upper + 4 * i, width - 2 * i, row_distance);
}

void chroma_bottom_field_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                              ptrdiff_t row_distance)
{
    const int32_t i = mix_rows(u, v, upper + row_distance, upper, width / 2);
    chroma_bottom_field_sse2(u + i, v + i, upper + 4 * i, width - 2 * i, row_distance);
}

void chroma_top_edge_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    const int32_t i = mix_rows(u, v, upper, nullptr, width / 2);
    chroma_top_edge_sse2(u + i, v + i, upper + 4 * i, width - 2 * i);
}

void chroma_bottom_edge_avx2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    const int32_t i = mix_rows(u, v, nullptr, upper, width / 2);
    chroma_bottom_edge_sse2(u + i, v + i, upper + 4 * i, width - 2 * i);
}

void convert_row_group_avx2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width)
{
    int32_t i = 0;
    for (; i + 32 <= width / 2; i += 32) {
        // Each source byte is loaded once, for its luma and its chroma.
        Chroma32 rows[4];
        for (int r = 0; r < 4; ++r) {
            const uint8_t* quads = src + r * src_stride + 4 * i;
            const __m256i q0 = sort_quads(quads), q1 = sort_quads(quads + 32);
            const __m256i q2 = sort_quads(quads + 64), q3 = sort_quads(quads + 96);
            store(luma + r * luma_stride + 2 * i, luma_of(q0, q1));
            store(luma + r * luma_stride + 2 * i + 32, luma_of(q2, q3));
            rows[r] = {chroma_of(q0, q1), chroma_of(q2, q3)};
        }
        // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
        store_split(u + i, v + i, mix(rows[0].uv0, rows[2].uv0), mix(rows[0].uv1, rows[2].uv1));
        store_split(u + u_stride + i, v + v_stride + i, mix(rows[3].uv0, rows[1].uv0),
                    mix(rows[3].uv1, rows[1].uv1));
    }
    convert_row_group_sse2(luma + 2 * i, luma_stride, u + i, u_stride, v + i, v_stride, src + 4 * i,
                           src_stride, width - 2 * i);
}
