#include "lib/kernel_set.h"

#include <emmintrin.h>

// The packed 8-bit sources into the 8-bit outputs, for the x86-64 processors
// without AVX2: 16 pixels a step, the last step moved back to end at the
// row's end (each_step); rows narrower than one step run in plain C.

namespace {

inline __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far; and (near + far + 1) >> 1.
template <int weight>
inline __m128i mix(__m128i near, __m128i far)
{
    if constexpr (weight == 2)
        return _mm_avg_epu8(near, far);
    const __m128i odd = _mm_and_si128(_mm_xor_si128(near, far), _mm_set1_epi8(1));
    return _mm_avg_epu8(near, _mm_sub_epi8(_mm_avg_epu8(near, far), odd));
}

// Stores the luma of 16 pixels from one row and returns their chroma, U and V
// alternating. Of each 16-bit pair, luma is the high byte in UYVY and the low
// one in YUY2.
template <Layout layout>
inline __m128i split(uint8_t* luma, const uint8_t* quads)
{
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i q0 = load(quads), q1 = load(quads + 16);
    const __m128i high_bytes = _mm_packus_epi16(_mm_srli_epi16(q0, 8), _mm_srli_epi16(q1, 8));
    const __m128i low_bytes = _mm_packus_epi16(_mm_and_si128(q0, low), _mm_and_si128(q1, low));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(luma), layout == Layout::uyvy ? high_bytes : low_bytes);
    return layout == Layout::uyvy ? low_bytes : high_bytes;
}

template <Pair pair, int weight>
inline void fold_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout, output = format_info(pair.output).layout;
    const __m128i near = split<source>(r.half[0].plane[0] + x, r.full[0].plane[0] + 2 * x);
    const __m128i far = split<source>(r.half[1].plane[0] + x, r.full[1].plane[0] + 2 * x);
    const __m128i uv = mix<weight>(near, far);
    if constexpr (output == Layout::semi_planar) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r.half[0].plane[1] + x), uv);
    } else {
        const __m128i zero = _mm_setzero_si128();
        _mm_storel_epi64(reinterpret_cast<__m128i*>(r.half[0].plane[1] + x / 2),
                         _mm_packus_epi16(_mm_and_si128(uv, _mm_set1_epi16(0x00FF)), zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(r.half[0].plane[2] + x / 2),
                         _mm_packus_epi16(_mm_srli_epi16(uv, 8), zero));
    }
}

// Its weights are constants, for the averages that make the mix: 3 for a
// field's rows, 2 for a picture's.
template <Pair pair, int weight>
void fold_sse2(const RowGroups& groups)
{
    run_row_groups<pair, 16>(groups, [](const RowPair& r, size_t x, auto) __attribute__((always_inline)) {
        fold_step<pair, weight>(r, x);
    });
}

template <Pair pair>
void fold_sse2(const RowGroups& groups)
{
    (groups.first[0].weight == 3 ? fold_sse2<pair, 3> : fold_sse2<pair, 2>)(groups);
}

// The rung's tag.
struct Sse2 {
    static constexpr const char* name = "sse2";
};

template <Pair pair>
constexpr RowGroupFunction kernel_of(Sse2)
{
    constexpr Format source = format_info(pair.source), output = format_info(pair.output);
    if constexpr ((source.layout == Layout::uyvy || source.layout == Layout::yuy2) && output.subsampled &&
                  output.depth == 8)
        return fold_sse2<pair>;
    else
        return nullptr;
}

} // namespace

const KernelSet& sse2_kernel_set()
{
    return kernel_set<Sse2>;
}
