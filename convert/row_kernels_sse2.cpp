#include "convert/row_kernels_x86.h"

#include <emmintrin.h>

// Whole vectors of 8 quads here, the rest of each row (at most 7 quads) by the
// plain C kernels, so every byte equals the reference. The steps are small so
// that the AVX2 kernels can leave their own tails to these.

namespace {

inline __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void store(uint8_t* p, __m128i value)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), value);
}

// The 16 Y0 and Y1 bytes of the 8 quads in q0 and q1.
inline __m128i luma_of(__m128i q0, __m128i q1)
{
    return _mm_packus_epi16(_mm_srli_epi16(q0, 8), _mm_srli_epi16(q1, 8));
}

// The U and V bytes of the 8 quads in q0 and q1, interleaved: U V U V ...
inline __m128i chroma_of(__m128i q0, __m128i q1)
{
    const __m128i low = _mm_set1_epi16(0x00FF);
    return _mm_packus_epi16(_mm_and_si128(q0, low), _mm_and_si128(q1, low));
}

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far.
inline __m128i mix(__m128i near, __m128i far)
{
    const __m128i odd = _mm_and_si128(_mm_xor_si128(near, far), _mm_set1_epi8(1));
    const __m128i half = _mm_sub_epi8(_mm_avg_epu8(near, far), odd);
    return _mm_avg_epu8(near, half);
}

// Splits the mixed chroma of 8 quads into 8 U and 8 V bytes.
inline void store_split(uint8_t* u, uint8_t* v, __m128i uv)
{
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i zero = _mm_setzero_si128();
    _mm_storel_epi64(reinterpret_cast<__m128i*>(u), _mm_packus_epi16(_mm_and_si128(uv, low), zero));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm_packus_epi16(_mm_srli_epi16(uv, 8), zero));
}

// The chroma of 8 quads of one row, or neutral chroma for a missing row.
inline __m128i chroma_row(const uint8_t* quads)
{
    return quads ? chroma_of(load(quads), load(quads + 16)) : _mm_set1_epi8(char(128));
}

// Mixes quads 0 to a multiple of 8 of a near and a far row, weighted 3:1; a
// null row stands for neutral chroma. Returns the number of quads done.
int32_t mix_rows(uint8_t* u, uint8_t* v, const uint8_t* near, const uint8_t* far, int32_t quads)
{
    int32_t i = 0;
    for (; i + 8 <= quads; i += 8)
        store_split(u + i, v + i, mix(chroma_row(near ? near + 4 * i : nullptr),
                                      chroma_row(far ? far + 4 * i : nullptr)));
    return i;
}

} // namespace

void copy_luma_row_sse2(uint8_t* luma, const uint8_t* src, int32_t width)
{
    int32_t x = 0;
    for (; x + 16 <= width; x += 16)
        store(luma + x, luma_of(load(src + 2 * x), load(src + 2 * x + 16)));
    copy_luma_row(luma + x, src + 2 * x, width - x);
}

void chroma_top_field_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                           ptrdiff_t row_distance)
{
    const int32_t i = mix_rows(u, v, upper, upper + row_distance, width / 2);
    chroma_top_field(u + i, v + i, upper + 4 * i, width - 2 * i, row_distance);
}

void chroma_bottom_field_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                              ptrdiff_t row_distance)
{
    const int32_t i = mix_rows(u, v, upper + row_distance, upper, width / 2);
    chroma_bottom_field(u + i, v + i, upper + 4 * i, width - 2 * i, row_distance);
}

void chroma_top_edge_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    const int32_t i = mix_rows(u, v, upper, nullptr, width / 2);
    chroma_top_edge(u + i, v + i, upper + 4 * i, width - 2 * i);
}

void chroma_bottom_edge_sse2(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    const int32_t i = mix_rows(u, v, nullptr, upper, width / 2);
    chroma_bottom_edge(u + i, v + i, upper + 4 * i, width - 2 * i);
}

void convert_row_group_sse2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width)
{
    int32_t i = 0;
    for (; i + 8 <= width / 2; i += 8) {
        // Each source byte is loaded once, for its luma and its chroma.
        __m128i rows[4];
        for (int r = 0; r < 4; ++r) {
            const uint8_t* quads = src + r * src_stride + 4 * i;
            const __m128i q0 = load(quads), q1 = load(quads + 16);
            store(luma + r * luma_stride + 2 * i, luma_of(q0, q1));
            rows[r] = chroma_of(q0, q1);
        }
        // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
        store_split(u + i, v + i, mix(rows[0], rows[2]));
        store_split(u + u_stride + i, v + v_stride + i, mix(rows[3], rows[1]));
    }
    convert_row_group(luma + 2 * i, luma_stride, u + i, u_stride, v + i, v_stride, src + 4 * i,
                      src_stride, width - 2 * i);
}
