#include "lib/kernel_set.h"
#include "lib/row_composition.h"

#include <arm_neon.h>
#include <type_traits>

// Every pair but those of v210, composed of a reader of its source's rows and
// a writer of its output's, with the field-aware mix once between them; the
// v210 pairs fused, their three-way structure loads and stores laying out
// v210's samples as no composition through blocks in registers can.
//
// A reader gives a block of pixels as samples at the source's depth: 32
// pixels of an 8-bit layout, luma as even and odd pixels apart in two
// vectors of 16 bytes and Cb and Cr in one each; 16 pixels of a 10-bit one,
// as words. NEON's structure loads and stores take the layouts apart and put
// them together. The mix sums two rows' chroma at full precision, and the
// writer rounds each sample once into the output's depth, by the rounding
// and narrowing shifts. Every step loads each source byte once and stores
// exactly its own pixels: the last step of a row is moved back to end at the
// row's end (each_step), and only the pixels of a v210 group that the row
// uses in part go to the plain C kernel.

namespace {

// The rung's tag, by which the composition finds its readers and writers.
struct Neon {
    static constexpr const char* name = "neon";
};

constexpr int block_pixels(Neon, int depth)
{
    return depth == 8 ? 32 : 16;
}

inline uint16x8_t load_words(const uint8_t* p)
{
    return vld1q_u16(reinterpret_cast<const uint16_t*>(p));
}

inline void store_words(uint8_t* p, uint16x8_t v)
{
    vst1q_u16(reinterpret_cast<uint16_t*>(p), v);
}

// 10-bit samples of a layout's words, and back: bits 0-9 of a planar layout,
// 6-15 of a semi-planar one.
template <Layout layout>
inline uint16x8_t samples(uint16x8_t words)
{
    return layout == Layout::semi_planar ? vshrq_n_u16(words, 6) : vandq_u16(words, vdupq_n_u16(0x3FF));
}

template <Layout layout>
inline uint16x8_t words(uint16x8_t samples)
{
    return layout == Layout::semi_planar ? vshlq_n_u16(samples, 6) : samples;
}

// The samples of one block: luma of the even pixels and of the odd ones, Cb
// and Cr; 8-bit ones in bytes, 10-bit ones in words.
template <int depth>
struct Chroma;

template <>
struct Chroma<8> {
    uint8x16_t u, v;
};

template <>
struct Chroma<10> {
    uint16x8_t u, v;
};

template <int depth>
struct Block {
    std::conditional_t<depth == 8, uint8x16x2_t, uint16x8x2_t> luma;
    Chroma<depth> chroma;
};

template <int depth>
struct Blocks {
    Block<depth> block[1];
};

// Chroma sums of a block: of 16 8-bit samples as two halves of 8 words, of
// 8 10-bit ones as 8 words.
template <int depth>
struct Sums;

template <>
struct Sums<8> {
    uint16x8_t u[2], v[2];
};

template <>
struct Sums<10> {
    uint16x8_t u, v;
};

// The weights of the two rows a mix sums, in each lane.
template <int depth>
struct Weights {
    std::conditional_t<depth == 8, uint8x8_t, uint16x8_t> a, b;
};

template <int depth, int total>
Weights<depth> weights(Neon, int a, int b)
{
    if constexpr (depth == 8)
        return {vdup_n_u8(uint8_t(a)), vdup_n_u8(uint8_t(b))};
    else
        return {vdupq_n_u16(uint16_t(a)), vdupq_n_u16(uint16_t(b))};
}

// The field-aware mix: a * a's weight + b * b's weight of every chroma
// sample, at full precision.
inline uint16x8_t sum_of(uint8x8_t a, uint8x8_t b, const Weights<8>& w)
{
    return vmlal_u8(vmull_u8(a, w.a), b, w.b);
}

inline Sums<8> mix(Neon, const Chroma<8>& a, const Chroma<8>& b, const Weights<8>& w)
{
    return {{sum_of(vget_low_u8(a.u), vget_low_u8(b.u), w), sum_of(vget_high_u8(a.u), vget_high_u8(b.u), w)},
            {sum_of(vget_low_u8(a.v), vget_low_u8(b.v), w), sum_of(vget_high_u8(a.v), vget_high_u8(b.v), w)}};
}

inline Sums<10> mix(Neon, const Chroma<10>& a, const Chroma<10>& b, const Weights<10>& w)
{
    return {vmlaq_u16(vmulq_u16(a.u, w.a), b.u, w.b), vmlaq_u16(vmulq_u16(a.v, w.a), b.v, w.b)};
}

// Readers.

// The luma and the chroma of a block of a planar or semi-planar row, 4:2:2 or
// 4:2:0, the bits outside each 10-bit sample dropped.
template <int32_t code>
inline auto read_luma(Neon, const uint8_t* row, size_t x)
{
    constexpr Format f = format_info(code);
    if constexpr (f.depth == 8) {
        return vld2q_u8(row + x);
    } else {
        uint16x8x2_t y = vld2q_u16(reinterpret_cast<const uint16_t*>(row + 2 * x));
        y.val[0] = samples<f.layout>(y.val[0]);
        y.val[1] = samples<f.layout>(y.val[1]);
        return y;
    }
}

template <int32_t code>
inline Chroma<format_info(code).depth> read_chroma(Neon, const Rows& row, size_t x)
{
    constexpr Format f = format_info(code);
    if constexpr (f.depth == 8 && f.layout == Layout::planar) {
        return {vld1q_u8(row.plane[1] + x / 2), vld1q_u8(row.plane[2] + x / 2)};
    } else if constexpr (f.depth == 8) {
        const uint8x16x2_t uv = vld2q_u8(row.plane[1] + x);
        return {uv.val[0], uv.val[1]};
    } else if constexpr (f.layout == Layout::planar) {
        return {samples<f.layout>(load_words(row.plane[1] + x)), samples<f.layout>(load_words(row.plane[2] + x))};
    } else {
        const uint16x8x2_t uv = vld2q_u16(reinterpret_cast<const uint16_t*>(row.plane[1] + 2 * x));
        return {samples<f.layout>(uv.val[0]), samples<f.layout>(uv.val[1])};
    }
}

// The block of a 4:2:2 row from pixel x.
template <int32_t code>
inline Blocks<format_info(code).depth> read_row(Neon, const Rows& row, size_t x)
{
    constexpr Format f = format_info(code);
    if constexpr (f.layout == Layout::uyvy || f.layout == Layout::yuy2) {
        // UYVY pairs are U Y0 V Y1; YUY2 Y0 U Y1 V.
        constexpr int y0 = f.layout == Layout::uyvy ? 1 : 0, cb = 1 - y0;
        const uint8x16x4_t quads = vld4q_u8(row.plane[0] + 2 * x);
        return {{{{{quads.val[y0], quads.val[y0 + 2]}}, {quads.val[cb], quads.val[cb + 2]}}}};
    } else {
        return {{{read_luma<code>(Neon(), row.plane[0], x), read_chroma<code>(Neon(), row, x)}}};
    }
}

// Writers.

// A block's luma into a planar or semi-planar row, from samples of the
// source's depth: min(255, (Y + 2) >> 2) from 10 bits into 8, Y << 2 from 8
// into 10.
template <int32_t code, int32_t source, typename Luma>
inline void write_luma(Neon, uint8_t* row, size_t x, const Luma& luma)
{
    constexpr Format f = format_info(code);
    constexpr int from = format_info(source).depth;
    if constexpr (f.depth == 8 && from == 8) {
        vst2q_u8(row + x, luma);
    } else if constexpr (f.depth == 8) {
        vst2_u8(row + x, (uint8x8x2_t{{vqrshrn_n_u16(luma.val[0], 2), vqrshrn_n_u16(luma.val[1], 2)}}));
    } else if constexpr (from == 8) {
        constexpr int shift = 2 + word_shift(f);
        for (int h = 0; h < 2; ++h) {
            const auto half = [&](uint8x16_t bytes) { return h ? vget_high_u8(bytes) : vget_low_u8(bytes); };
            vst2q_u16(reinterpret_cast<uint16_t*>(row + 2 * x + 32 * size_t(h)),
                      (uint16x8x2_t{{vshll_n_u8(half(luma.val[0]), shift), vshll_n_u8(half(luma.val[1]), shift)}}));
        }
    } else {
        vst2q_u16(reinterpret_cast<uint16_t*>(row + 2 * x),
                  (uint16x8x2_t{{words<f.layout>(luma.val[0]), words<f.layout>(luma.val[1])}}));
    }
}

// Chroma sums scaled by 2^scale, of `from` bits, as samples of the output's
// depth: narrowed to bytes with saturation, or as words.
template <int scale, int from, int to>
inline auto rounded(uint16x8_t sums)
{
    constexpr int shift = scale + from - to;
    if constexpr (to == 8)
        return vqrshrn_n_u16(sums, shift);
    else if constexpr (shift > 0)
        return vrshrq_n_u16(sums, shift);
    else
        return sums;
}

// A block's chroma sums into a planar or semi-planar row: scaled by 4 into
// 4:2:0, by 8 into 4:2:2.
template <int32_t code, int32_t source, typename Sums>
inline void write_chroma(Neon, const Rows& row, size_t x, const Sums& sums)
{
    constexpr Format f = format_info(code);
    constexpr int scale = f.subsampled ? 2 : 3, from = format_info(source).depth, to = f.depth;
    constexpr bool planar = f.layout == Layout::planar;
    if constexpr (from == 8 && to == 8) {
        const uint8x16_t u = vcombine_u8(rounded<scale, 8, 8>(sums.u[0]), rounded<scale, 8, 8>(sums.u[1]));
        const uint8x16_t v = vcombine_u8(rounded<scale, 8, 8>(sums.v[0]), rounded<scale, 8, 8>(sums.v[1]));
        if constexpr (planar) {
            vst1q_u8(row.plane[1] + x / 2, u);
            vst1q_u8(row.plane[2] + x / 2, v);
        } else {
            vst2q_u8(row.plane[1] + x, (uint8x16x2_t{{u, v}}));
        }
    } else if constexpr (from == 8) {
        for (size_t h = 0; h < 2; ++h) {
            const uint16x8_t u = rounded<scale, 8, 10>(sums.u[h]), v = rounded<scale, 8, 10>(sums.v[h]);
            if constexpr (planar) {
                store_words(row.plane[1] + x + 16 * h, u);
                store_words(row.plane[2] + x + 16 * h, v);
            } else {
                vst2q_u16(reinterpret_cast<uint16_t*>(row.plane[1] + 2 * x + 32 * h),
                          (uint16x8x2_t{{words<f.layout>(u), words<f.layout>(v)}}));
            }
        }
    } else if constexpr (to == 8) {
        const uint8x8_t u = rounded<scale, 10, 8>(sums.u), v = rounded<scale, 10, 8>(sums.v);
        if constexpr (planar) {
            vst1_u8(row.plane[1] + x / 2, u);
            vst1_u8(row.plane[2] + x / 2, v);
        } else {
            vst2_u8(row.plane[1] + x, (uint8x8x2_t{{u, v}}));
        }
    } else {
        const uint16x8_t u = rounded<scale, 10, 10>(sums.u), v = rounded<scale, 10, 10>(sums.v);
        if constexpr (planar) {
            store_words(row.plane[1] + x, u);
            store_words(row.plane[2] + x, v);
        } else {
            vst2q_u16(reinterpret_cast<uint16_t*>(row.plane[1] + 2 * x),
                      (uint16x8x2_t{{words<f.layout>(u), words<f.layout>(v)}}));
        }
    }
}

// The block of a 4:2:2 row, chroma sums scaled by 8: a four-way store lays
// out UYVY and YUY2.
template <int32_t code, int32_t source, typename Luma, typename Sums>
inline void write_row(Neon, const Rows& row, size_t x, const Luma (&luma)[1], const Sums (&sums)[1])
{
    constexpr Format f = format_info(code);
    constexpr bool uyvy = f.layout == Layout::uyvy;
    if constexpr (f.layout != Layout::uyvy && f.layout != Layout::yuy2) {
        write_luma<code, source>(Neon(), row.plane[0], x, luma[0]);
        write_chroma<code, source>(Neon(), row, x, sums[0]);
    } else if constexpr (format_info(source).depth == 8) {
        const uint8x16_t u = vcombine_u8(rounded<3, 8, 8>(sums[0].u[0]), rounded<3, 8, 8>(sums[0].u[1]));
        const uint8x16_t v = vcombine_u8(rounded<3, 8, 8>(sums[0].v[0]), rounded<3, 8, 8>(sums[0].v[1]));
        const uint8x16_t even = luma[0].val[0], odd = luma[0].val[1];
        vst4q_u8(row.plane[0] + 2 * x, uyvy ? uint8x16x4_t{{u, even, v, odd}} : uint8x16x4_t{{even, u, odd, v}});
    } else {
        const uint8x8_t u = rounded<3, 10, 8>(sums[0].u), v = rounded<3, 10, 8>(sums[0].v);
        const uint8x8_t even = vqrshrn_n_u16(luma[0].val[0], 2), odd = vqrshrn_n_u16(luma[0].val[1], 2);
        vst4_u8(row.plane[0] + 2 * x, uyvy ? uint8x8x4_t{{u, even, v, odd}} : uint8x8x4_t{{even, u, odd, v}});
    }
}

// v210, fused: a four-way load of 32-bit words sorts four groups of six
// pixels into their words 0 to 3, from which shifts gather each group's
// samples two by two into 32-bit lanes; three-way stores lay them out in
// pixel order. Into v210, three-way loads gather the samples of each group
// three by three.

// Two 10-bit samples in a 32-bit lane, each in its own 16-bit half: the one at
// bit `low` of `a` and the one at bit `high` of `b`.
template <int shift>
inline uint32x4_t shifted(uint32x4_t words)
{
    if constexpr (shift == 0)
        return words;
    else
        return vshrq_n_u32(words, shift);
}

template <int low, int high>
inline uint32x4_t two_samples(uint32x4_t a, uint32x4_t b)
{
    return vandq_u32(vsliq_n_u32(shifted<low>(a), shifted<high>(b), 16), vdupq_n_u32(0x03FF03FF));
}

// The samples of 8 v210 groups, two by two: the luma of pixels 0-1, 2-3 and 4-5
// of each group, and the Cb, Cr of pixel pairs 0, 1 and 2; four groups in each
// of the two halves.
struct V210Samples {
    uint32x4x3_t luma[2];
    uint32x4x3_t chroma[2];
};

inline V210Samples v210_samples(const uint8_t* groups)
{
    V210Samples s;
    for (int h = 0; h < 2; ++h) {
        const uint32x4x4_t w = vld4q_u32(reinterpret_cast<const uint32_t*>(groups + 64 * h));
        s.luma[h].val[0] = two_samples<10, 0>(w.val[0], w.val[1]);
        s.luma[h].val[1] = two_samples<20, 10>(w.val[1], w.val[2]);
        s.luma[h].val[2] = two_samples<0, 20>(w.val[3], w.val[3]);
        s.chroma[h].val[0] = two_samples<0, 20>(w.val[0], w.val[0]);
        s.chroma[h].val[1] = two_samples<10, 0>(w.val[1], w.val[2]);
        s.chroma[h].val[2] = two_samples<20, 10>(w.val[2], w.val[3]);
    }
    return s;
}

template <Layout output>
inline uint32x4_t v210_words(uint16x8_t samples)
{
    return vreinterpretq_u32_u16(words<output>(samples));
}

template <int32_t code>
inline void store_v210_luma(uint8_t* luma, const V210Samples& s)
{
    constexpr Format output = format_info(code);
    if constexpr (output.depth == 10) {
        for (int h = 0; h < 2; ++h) {
            uint32x4x3_t out;
            for (int k = 0; k < 3; ++k)
                out.val[k] = v210_words<output.layout>(vreinterpretq_u16_u32(s.luma[h].val[k]));
            vst3q_u32(reinterpret_cast<uint32_t*>(luma + 48 * h), out);
        }
    } else {
        // min(255, (Y + 2) >> 2), two pixels a 16-bit lane.
        uint16x8x3_t out;
        for (int k = 0; k < 3; ++k)
            out.val[k] = vreinterpretq_u16_u8(vcombine_u8(vqrshrn_n_u16(vreinterpretq_u16_u32(s.luma[0].val[k]), 2),
                                                          vqrshrn_n_u16(vreinterpretq_u16_u32(s.luma[1].val[k]), 2)));
        vst3q_u16(reinterpret_cast<uint16_t*>(luma), out);
    }
}

template <int32_t code>
inline void store_v210_chroma(uint8_t* u, uint8_t* v, const V210Samples& near, const V210Samples& far, uint16_t weight)
{
    constexpr Format output = format_info(code);
    // weight * near + (4 - weight) * far, at most 4092.
    uint16x8_t sums[2][3];
    for (int h = 0; h < 2; ++h)
        for (int k = 0; k < 3; ++k)
            sums[h][k] = vmlaq_n_u16(vmulq_n_u16(vreinterpretq_u16_u32(far.chroma[h].val[k]), uint16_t(4 - weight)),
                                     vreinterpretq_u16_u32(near.chroma[h].val[k]), weight);
    if constexpr (output.depth == 10) {
        for (int h = 0; h < 2; ++h) {
            uint32x4x3_t uv;
            for (int k = 0; k < 3; ++k)
                uv.val[k] = v210_words<output.layout>(vrshrq_n_u16(sums[h][k], 2));
            if constexpr (output.layout == Layout::semi_planar) {
                vst3q_u32(reinterpret_cast<uint32_t*>(u + 48 * h), uv);
            } else {
                uint16x4x3_t cb, cr;
                for (int k = 0; k < 3; ++k) {
                    cb.val[k] = vmovn_u32(uv.val[k]);
                    cr.val[k] = vshrn_n_u32(uv.val[k], 16);
                }
                vst3_u16(reinterpret_cast<uint16_t*>(u + 24 * h), cb);
                vst3_u16(reinterpret_cast<uint16_t*>(v + 24 * h), cr);
            }
        }
    } else {
        // min(255, (sum + 8) >> 4), a Cb, Cr pair a 16-bit lane.
        uint8x16_t uv[3];
        for (int k = 0; k < 3; ++k)
            uv[k] = vcombine_u8(vqrshrn_n_u16(sums[0][k], 4), vqrshrn_n_u16(sums[1][k], 4));
        if constexpr (output.layout == Layout::semi_planar) {
            vst3q_u16(reinterpret_cast<uint16_t*>(u), (uint16x8x3_t{{vreinterpretq_u16_u8(uv[0]),
                                                                    vreinterpretq_u16_u8(uv[1]),
                                                                    vreinterpretq_u16_u8(uv[2])}}));
        } else {
            uint8x8x3_t cb, cr;
            for (int k = 0; k < 3; ++k) {
                const uint8x8x2_t apart = vuzp_u8(vget_low_u8(uv[k]), vget_high_u8(uv[k]));
                cb.val[k] = apart.val[0];
                cr.val[k] = apart.val[1];
            }
            vst3_u8(u, cb);
            vst3_u8(v, cr);
        }
    }
}

template <Pair pair>
inline void fold_v210_step(const RowPair& r, size_t x, uint16_t weight)
{
    constexpr Format output = format_info(pair.output);
    constexpr ptrdiff_t bytes = sample_bytes(output);
    const V210Samples near = v210_samples(r.full[0].plane[0] + x / 6 * 16);
    const V210Samples far = v210_samples(r.full[1].plane[0] + x / 6 * 16);
    store_v210_luma<pair.output>(r.half[0].plane[0] + x * bytes, near);
    store_v210_luma<pair.output>(r.half[1].plane[0] + x * bytes, far);
    const size_t chroma = x / 2 * bytes * (output.layout == Layout::semi_planar ? 2 : 1);
    store_v210_chroma<pair.output>(r.half[0].plane[1] + chroma,
                                   output.layout == Layout::semi_planar ? nullptr : r.half[0].plane[2] + chroma, near,
                                   far, weight);
}

template <Pair pair>
void fold_v210(const RowGroups& groups)
{
    const uint16_t weight = uint16_t(groups.first[0].weight);
    run_row_groups<pair, 48>(groups, [&](const RowPair& r, size_t x, auto) __attribute__((always_inline)) {
        fold_v210_step<pair>(r, x, weight);
    });
}

// weight * a + (8 - weight) * b of 10-bit samples, at most 8184.
inline uint16x8_t eighths(uint16x8_t a, uint16x8_t b, uint16_t weight)
{
    return vmlaq_n_u16(vmulq_n_u16(a, weight), b, uint16_t(8 - weight));
}

// Eight v210 groups of one row, four by four, from the samples of each group
// gathered into 32-bit lanes: the luma as pairs (Y0, Y1), (Y2, Y3), (Y4, Y5),
// one in each 16-bit half, and Cb and Cr of pixel pairs 0 to 2.
struct V210Lanes {
    uint32x4_t luma[3];
    uint32x4_t cb[3], cr[3];
};

inline void store_v210_groups(uint8_t* groups, const V210Lanes& s)
{
    const auto low = [](uint32x4_t pair) { return vandq_u32(pair, vdupq_n_u32(0xFFFF)); };
    const auto high = [](uint32x4_t pair) { return vshrq_n_u32(pair, 16); };
    // Words Cb0 Y0 Cr0, Y1 Cb1 Y2, Cr1 Y3 Cb2, Y4 Cr2 Y5, ten bits a field.
    const auto word = [](uint32x4_t f0, uint32x4_t f1, uint32x4_t f2) {
        return vsliq_n_u32(vsliq_n_u32(f0, f1, 10), f2, 20);
    };
    vst4q_u32(reinterpret_cast<uint32_t*>(groups),
              (uint32x4x4_t{{word(s.cb[0], low(s.luma[0]), s.cr[0]), word(high(s.luma[0]), s.cb[1], low(s.luma[1])),
                             word(s.cr[1], high(s.luma[1]), s.cb[2]), word(low(s.luma[2]), s.cr[2], high(s.luma[2]))}}));
}

// 48 pixels of a row pair into v210: the samples of each group three by
// three, by the stride-3 loads of their pairs.
template <Pair pair>
inline void unfold_v210_step(const RowPair& r, size_t x, uint16_t weight)
{
    constexpr Format source = format_info(pair.source);
    // Of each chroma row, Cb and Cr of pixel pairs 3g + k, k = 0 to 2, in
    // lanes g = 0 to 7, as 10-bit samples or bytes.
    uint16x8_t a[2][3], b[2][3];
    for (int c = 0; c < 2; ++c) {
        const Rows rows[2] = {r.half[0], r.half[1]};
        for (int j = 0; j < 2; ++j) {
            uint16x8_t (&into)[3] = j ? b[c] : a[c];
            if constexpr (source.depth == 8) {
                const uint8_t* at = source.layout == Layout::planar ? rows[j].plane[1 + c] + x / 2
                                                                    : rows[j].plane[1] + x;
                if constexpr (source.layout == Layout::planar) {
                    const uint8x8x3_t t = vld3_u8(at);
                    for (int k = 0; k < 3; ++k)
                        into[k] = vmovl_u8(t.val[k]);
                } else {
                    // U, V pairs as 16-bit words: the byte of chroma c.
                    const uint16x8x3_t t = vld3q_u16(reinterpret_cast<const uint16_t*>(at));
                    for (int k = 0; k < 3; ++k)
                        into[k] = c ? vshrq_n_u16(t.val[k], 8) : vandq_u16(t.val[k], vdupq_n_u16(0xFF));
                }
            } else if constexpr (source.layout == Layout::planar) {
                const uint16x8x3_t t = vld3q_u16(reinterpret_cast<const uint16_t*>(rows[j].plane[1 + c] + x));
                for (int k = 0; k < 3; ++k)
                    into[k] = samples<Layout::planar>(t.val[k]);
            } else {
                // U, V pairs of words as 32-bit words: the half of chroma c.
                uint16x4_t halves[2][3];
                for (int h = 0; h < 2; ++h) {
                    const uint32x4x3_t t =
                        vld3q_u32(reinterpret_cast<const uint32_t*>(rows[j].plane[1] + 2 * x + 48 * h));
                    for (int k = 0; k < 3; ++k)
                        halves[h][k] = vshr_n_u16(c ? vshrn_n_u32(t.val[k], 16) : vmovn_u32(t.val[k]), 6);
                }
                for (int k = 0; k < 3; ++k)
                    into[k] = vcombine_u16(halves[0][k], halves[1][k]);
            }
        }
    }
    for (int k = 0; k < 2; ++k) {
        V210Lanes lanes[2];
        // Luma pairs of pixels as 32-bit words, each sample in its half.
        const uint8_t* luma = r.half[k].plane[0];
        for (int h = 0; h < 2; ++h) {
            if constexpr (source.depth == 8) {
                const uint16x4x3_t t = vld3_u16(reinterpret_cast<const uint16_t*>(luma + x + 24 * h));
                for (int i = 0; i < 3; ++i)
                    lanes[h].luma[i] = vshlq_n_u32(vreinterpretq_u32_u16(vmovl_u8(vreinterpret_u8_u16(t.val[i]))), 2);
            } else {
                const uint32x4x3_t t = vld3q_u32(reinterpret_cast<const uint32_t*>(luma + 2 * x + 48 * h));
                for (int i = 0; i < 3; ++i)
                    lanes[h].luma[i] = vreinterpretq_u32_u16(samples<source.layout>(vreinterpretq_u16_u32(t.val[i])));
            }
        }
        for (int i = 0; i < 3; ++i)
            for (int c = 0; c < 2; ++c) {
                const uint16x8_t sum = eighths(a[c][i], b[c][i], uint16_t(k ? weight - 4 : weight));
                // (sum + 1) >> 1 from 8 bits, (sum + 4) >> 3 from 10.
                const uint16x8_t sample = source.depth == 8 ? vrshrq_n_u16(sum, 1) : vrshrq_n_u16(sum, 3);
                for (int h = 0; h < 2; ++h)
                    (c ? lanes[h].cr : lanes[h].cb)[i] = vmovl_u16(h ? vget_high_u16(sample) : vget_low_u16(sample));
            }
        for (int h = 0; h < 2; ++h)
            store_v210_groups(r.full[k].plane[0] + x / 6 * 16 + 64 * h, lanes[h]);
    }
}

template <Pair pair>
void unfold_v210(const RowGroups& groups)
{
    const uint16_t weights[2] = {uint16_t(groups.first[0].weight), uint16_t(groups.first[1].weight)};
    run_row_groups<pair, 48>(groups, [&](const RowPair& r, size_t x, auto k) __attribute__((always_inline)) {
        unfold_v210_step<pair>(r, x, weights[k.value]);
    });
}

template <Pair pair>
constexpr RowGroupFunction kernel_of(Neon)
{
    if constexpr (!unfolds(pair) && format_info(pair.source).layout == Layout::v210)
        return fold_v210<pair>;
    else if constexpr (!unfolds(pair))
        return composed_fold<Neon, pair>;
    else if constexpr (format_info(pair.output).layout == Layout::v210)
        return unfold_v210<pair>;
    else
        return composed_unfold<Neon, pair>;
}

} // namespace

const KernelSet& neon_kernel_set()
{
    return kernel_set<Neon>;
}
