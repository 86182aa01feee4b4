#include "lib/row_kernels_x86.h"

#include "lib/formats.h"

#include <emmintrin.h>

// Whole vectors of 8 pixel pairs here, the rest of each row (at most 7 pairs)
// by the plain C kernel, so every byte equals the reference. The step is small
// so that the AVX2 kernels of the 8-bit sources can leave their own tails to
// these ones.

namespace {

inline __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far.
inline __m128i mix(__m128i near, __m128i far)
{
    const __m128i odd = _mm_and_si128(_mm_xor_si128(near, far), _mm_set1_epi8(1));
    const __m128i half = _mm_sub_epi8(_mm_avg_epu8(near, far), odd);
    return _mm_avg_epu8(near, half);
}

// Mixes the chroma of 8 pixel pairs while U and V are still interleaved: NV12
// stores them so; I420 splits them, U from the low byte of each 16-bit pair, V
// from the high one.
template <int32_t output>
inline void store_mixed(uint8_t* u, uint8_t* v, __m128i near, __m128i far)
{
    const __m128i uv = mix(near, far);
    if constexpr (output == CHROMAFOLD_OUTPUT_NV12) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(u), uv);
    } else {
        const __m128i zero = _mm_setzero_si128();
        _mm_storel_epi64(reinterpret_cast<__m128i*>(u),
                         _mm_packus_epi16(_mm_and_si128(uv, _mm_set1_epi16(0x00FF)), zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm_packus_epi16(_mm_srli_epi16(uv, 8), zero));
    }
}

} // namespace

template <int32_t source, int32_t output>
void convert_row_group_sse2(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width)
{
    constexpr ptrdiff_t step = chroma_step(output);
    const __m128i low = _mm_set1_epi16(0x00FF);
    int32_t i = 0;
    for (; i + 8 <= width / 2; i += 8) {
        // Each source byte is loaded once. Of each 16-bit pair, luma is the
        // high byte in UYVY and the low one in YUY2; chroma is the other, U and
        // V alternating.
        __m128i chroma[4];
        for (int r = 0; r < 4; ++r) {
            const uint8_t* pairs = src + r * src_stride + 4 * i;
            const __m128i q0 = load(pairs), q1 = load(pairs + 16);
            const __m128i high = _mm_packus_epi16(_mm_srli_epi16(q0, 8), _mm_srli_epi16(q1, 8));
            const __m128i low_bytes = _mm_packus_epi16(_mm_and_si128(q0, low), _mm_and_si128(q1, low));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(luma + r * luma_stride + 2 * i),
                             source == uyvy ? high : low_bytes);
            chroma[r] = source == uyvy ? low_bytes : high;
        }
        // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
        store_mixed<output>(u + step * i, v + step * i, chroma[0], chroma[2]);
        store_mixed<output>(u + u_stride + step * i, v + v_stride + step * i, chroma[3], chroma[1]);
    }
    convert_row_group<source, output>(luma + 2 * i, luma_stride, u + step * i, u_stride,
                                      v + step * i, v_stride, src + 4 * i, src_stride,
                                      width - 2 * i);
}

template RowGroupKernelType convert_row_group_sse2<uyvy, i420>;
template RowGroupKernelType convert_row_group_sse2<uyvy, nv12>;
template RowGroupKernelType convert_row_group_sse2<yuy2, i420>;
template RowGroupKernelType convert_row_group_sse2<yuy2, nv12>;
