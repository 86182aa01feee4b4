#include "lib/kernel_set.h"

#include <arm_neon.h>
#include <type_traits>

// Every step loads each source byte once and stores exactly its own pixels:
// the last step of a row is moved back to end at the row's end (each_step),
// and only the pixels of a v210 group that the row uses in part go to the
// plain C kernel.
//
// 8-bit sources, 32 pixels a step: a four-way load sorts 16 UYVY or YUY2
// pixel pairs into their four bytes, a two-way load NV16's U and V. 10-bit
// planar sources, 16 pixels a step. v210, 48 pixels a step: a four-way load of
// 32-bit words sorts four groups of six pixels into their words 0 to 3, from
// which shifts gather each group's samples two by two into 32-bit lanes;
// three-way stores lay them out in pixel order.

namespace {

// (3 * near + far + 2) >> 2, exactly: the rounded-up average of near and the
// rounded-down average of near and far; and (near + far + 1) >> 1.
template <int weight>
inline uint8x16_t mix(uint8x16_t near, uint8x16_t far)
{
    return vrhaddq_u8(near, weight == 2 ? far : vhaddq_u8(near, far));
}

template <int weight>
inline uint16x8_t mix(uint16x8_t near, uint16x8_t far)
{
    return vrhaddq_u16(near, weight == 2 ? far : vhaddq_u16(near, far));
}

// 32 pixels of an 8-bit 4:2:2 row from pixel x: their luma stored, their
// chroma returned.
struct Chroma8 {
    uint8x16_t u, v;
};

template <Layout layout>
inline Chroma8 split_8bit(uint8_t* luma, const Rows& row, size_t x)
{
    if constexpr (layout == Layout::uyvy || layout == Layout::yuy2) {
        // UYVY pairs are U Y0 V Y1; YUY2 Y0 U Y1 V.
        constexpr int y0 = layout == Layout::uyvy ? 1 : 0, cb = 1 - y0;
        const uint8x16x4_t quads = vld4q_u8(row.plane[0] + 2 * x);
        vst2q_u8(luma + x, (uint8x16x2_t{{quads.val[y0], quads.val[y0 + 2]}}));
        return {quads.val[cb], quads.val[cb + 2]};
    }
    vst1q_u8(luma + x, vld1q_u8(row.plane[0] + x));
    vst1q_u8(luma + x + 16, vld1q_u8(row.plane[0] + x + 16));
    if constexpr (layout == Layout::planar)
        return {vld1q_u8(row.plane[1] + x / 2), vld1q_u8(row.plane[2] + x / 2)};
    const uint8x16x2_t uv = vld2q_u8(row.plane[1] + x);
    return {uv.val[0], uv.val[1]};
}

template <Pair pair, int weight>
inline void fold_8bit_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout, output = format_info(pair.output).layout;
    const Chroma8 near = split_8bit<source>(r.half[0].plane[0], r.full[0], x);
    const Chroma8 far = split_8bit<source>(r.half[1].plane[0], r.full[1], x);
    const uint8x16_t u = mix<weight>(near.u, far.u), v = mix<weight>(near.v, far.v);
    if constexpr (output == Layout::semi_planar) {
        vst2q_u8(r.half[0].plane[1] + x, (uint8x16x2_t{{u, v}}));
    } else {
        vst1q_u8(r.half[0].plane[1] + x / 2, u);
        vst1q_u8(r.half[0].plane[2] + x / 2, v);
    }
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

struct Chroma10 {
    uint16x8_t u, v;
};

// 16 pixels of a 10-bit planar 4:2:2 row from pixel x into a 10-bit luma row:
// their luma stored, their chroma returned.
template <Layout source, Layout output>
inline Chroma10 split_10bit(uint8_t* luma, const Rows& row, size_t x)
{
    for (size_t k = 0; k < 2; ++k)
        store_words(luma + 2 * x + 16 * k, words<output>(samples<source>(load_words(row.plane[0] + 2 * x + 16 * k))));
    if constexpr (source == Layout::planar)
        return {samples<source>(load_words(row.plane[1] + x)), samples<source>(load_words(row.plane[2] + x))};
    const uint16x8x2_t uv = vld2q_u16(reinterpret_cast<const uint16_t*>(row.plane[1] + 2 * x));
    return {samples<source>(uv.val[0]), samples<source>(uv.val[1])};
}

template <Pair pair, int weight>
inline void fold_10bit_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout, output = format_info(pair.output).layout;
    const Chroma10 near = split_10bit<source, output>(r.half[0].plane[0], r.full[0], x);
    const Chroma10 far = split_10bit<source, output>(r.half[1].plane[0], r.full[1], x);
    const uint16x8_t u = words<output>(mix<weight>(near.u, far.u)), v = words<output>(mix<weight>(near.v, far.v));
    if constexpr (output == Layout::semi_planar) {
        vst2q_u16(reinterpret_cast<uint16_t*>(r.half[0].plane[1] + 2 * x), (uint16x8x2_t{{u, v}}));
    } else {
        store_words(r.half[0].plane[1] + x, u);
        store_words(r.half[0].plane[2] + x, v);
    }
}

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

template <int32_t code, int weight>
inline void store_v210_chroma(uint8_t* u, uint8_t* v, const V210Samples& near, const V210Samples& far)
{
    constexpr Format output = format_info(code);
    // weight * near + (4 - weight) * far, at most 4092.
    uint16x8_t sums[2][3];
    for (int h = 0; h < 2; ++h)
        for (int k = 0; k < 3; ++k)
            sums[h][k] = vmlaq_n_u16(vmulq_n_u16(vreinterpretq_u16_u32(far.chroma[h].val[k]), 4 - weight),
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

template <Pair pair, int weight>
inline void fold_v210_step(const RowPair& r, size_t x)
{
    constexpr Format output = format_info(pair.output);
    constexpr ptrdiff_t bytes = sample_bytes(output);
    const V210Samples near = v210_samples(r.full[0].plane[0] + x / 6 * 16);
    const V210Samples far = v210_samples(r.full[1].plane[0] + x / 6 * 16);
    store_v210_luma<pair.output>(r.half[0].plane[0] + x * bytes, near);
    store_v210_luma<pair.output>(r.half[1].plane[0] + x * bytes, far);
    const size_t chroma = x / 2 * bytes * (output.layout == Layout::semi_planar ? 2 : 1);
    store_v210_chroma<pair.output, weight>(r.half[0].plane[1] + chroma,
                                      output.layout == Layout::semi_planar ? nullptr : r.half[0].plane[2] + chroma,
                                      near, far);
}

template <Pair pair>
void fold_neon(const RowGroups& groups)
{
    constexpr Format source = format_info(pair.source);
    run_constant_weights<pair, source.layout == Layout::v210 ? 48 : source.depth == 8 ? 32 : 16>(
        groups, [](const RowPair& r, size_t x, auto weight) __attribute__((always_inline)) {
            if constexpr (format_info(pair.source).layout == Layout::v210)
                fold_v210_step<pair, weight.value>(r, x);
            else if constexpr (format_info(pair.source).depth == 8)
                fold_8bit_step<pair, weight.value>(r, x);
            else
                fold_10bit_step<pair, weight.value>(r, x);
        });
}

// Back into 4:2:2. Both rows of a pair share their two chroma rows A and B,
// loaded once and mixed in eighths, rounded by the narrowing or rounding
// shifts. Three- and four-way stores lay out the packed layouts: 32 pixels a
// step from an 8-bit source, 16 from a 10-bit one, 48 into v210.

struct Planes8 {
    uint8x16_t u, v;
};

template <Layout layout>
inline Planes8 chroma_8bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::planar)
        return {vld1q_u8(row.plane[1] + x / 2), vld1q_u8(row.plane[2] + x / 2)};
    const uint8x16x2_t uv = vld2q_u8(row.plane[1] + x);
    return {uv.val[0], uv.val[1]};
}

// (weight * a + (8 - weight) * b + 4) >> 3 of bytes.
template <int weight>
inline uint8x16_t eighths(uint8x16_t a, uint8x16_t b)
{
    const uint16x8_t low = vmlal_u8(vmull_u8(vget_low_u8(a), vdup_n_u8(weight)), vget_low_u8(b), vdup_n_u8(8 - weight));
    const uint16x8_t high =
        vmlal_u8(vmull_u8(vget_high_u8(a), vdup_n_u8(weight)), vget_high_u8(b), vdup_n_u8(8 - weight));
    return vcombine_u8(vrshrn_n_u16(low, 3), vrshrn_n_u16(high, 3));
}

// weight * a + (8 - weight) * b of 10-bit samples, at most 8184.
template <int weight>
inline uint16x8_t eighths(uint16x8_t a, uint16x8_t b)
{
    return vmlaq_n_u16(vmulq_n_u16(a, weight), b, 8 - weight);
}

template <Layout layout>
inline void store_422_8bit(const Rows& row, size_t x, uint8x16x2_t luma, uint8x16_t u, uint8x16_t v)
{
    if constexpr (layout == Layout::uyvy)
        vst4q_u8(row.plane[0] + 2 * x, (uint8x16x4_t{{u, luma.val[0], v, luma.val[1]}}));
    else if constexpr (layout == Layout::yuy2)
        vst4q_u8(row.plane[0] + 2 * x, (uint8x16x4_t{{luma.val[0], u, luma.val[1], v}}));
    else {
        vst2q_u8(row.plane[0] + x, luma);
        if constexpr (layout == Layout::semi_planar) {
            vst2q_u8(row.plane[1] + x, (uint8x16x2_t{{u, v}}));
        } else {
            vst1q_u8(row.plane[1] + x / 2, u);
            vst1q_u8(row.plane[2] + x / 2, v);
        }
    }
}

template <Pair pair, int weight>
inline void unfold_8bit_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout, output = format_info(pair.output).layout;
    const Planes8 a = chroma_8bit<source>(r.half[0], x), b = chroma_8bit<source>(r.half[1], x);
    // Luma even and odd pixels apart, as the packed layouts interleave them.
    store_422_8bit<output>(r.full[0], x, vld2q_u8(r.half[0].plane[0] + x), eighths<weight>(a.u, b.u),
                           eighths<weight>(a.v, b.v));
    store_422_8bit<output>(r.full[1], x, vld2q_u8(r.half[1].plane[0] + x), eighths<weight - 4>(a.u, b.u),
                           eighths<weight - 4>(a.v, b.v));
}

template <Layout layout>
inline Chroma10 chroma_10bit(const Rows& row, size_t x)
{
    if constexpr (layout == Layout::planar)
        return {samples<layout>(load_words(row.plane[1] + x)), samples<layout>(load_words(row.plane[2] + x))};
    const uint16x8x2_t uv = vld2q_u16(reinterpret_cast<const uint16_t*>(row.plane[1] + 2 * x));
    return {samples<layout>(uv.val[0]), samples<layout>(uv.val[1])};
}

// 16 pixels of a row pair from a 10-bit source: into 10-bit planes, or into
// 8-bit packed rows, min(255, (Y + 2) >> 2) and min(255, (sum + 16) >> 5).
template <Pair pair, int weight>
inline void unfold_10bit_step(const RowPair& r, size_t x)
{
    constexpr Layout source = format_info(pair.source).layout;
    constexpr Format output = format_info(pair.output);
    const Chroma10 a = chroma_10bit<source>(r.half[0], x), b = chroma_10bit<source>(r.half[1], x);
    for (int k = 0; k < 2; ++k) {
        const uint16x8_t u = k ? eighths<weight - 4>(a.u, b.u) : eighths<weight>(a.u, b.u);
        const uint16x8_t v = k ? eighths<weight - 4>(a.v, b.v) : eighths<weight>(a.v, b.v);
        const uint8_t* luma = r.half[k].plane[0] + 2 * x;
        if constexpr (output.depth == 10) {
            for (size_t h = 0; h < 2; ++h)
                store_words(r.full[k].plane[0] + 2 * x + 16 * h,
                            words<output.layout>(samples<source>(load_words(luma + 16 * h))));
            if constexpr (output.layout == Layout::semi_planar) {
                vst2q_u16(reinterpret_cast<uint16_t*>(r.full[k].plane[1] + 2 * x),
                          (uint16x8x2_t{{words<output.layout>(vrshrq_n_u16(u, 3)),
                                         words<output.layout>(vrshrq_n_u16(v, 3))}}));
            } else {
                store_words(r.full[k].plane[1] + x, vrshrq_n_u16(u, 3));
                store_words(r.full[k].plane[2] + x, vrshrq_n_u16(v, 3));
            }
        } else {
            const uint16x8x2_t y = vld2q_u16(reinterpret_cast<const uint16_t*>(luma));
            const uint8x8_t even = vqrshrn_n_u16(samples<source>(y.val[0]), 2);
            const uint8x8_t odd = vqrshrn_n_u16(samples<source>(y.val[1]), 2);
            const uint8x8_t cb = vqrshrn_n_u16(u, 5), cr = vqrshrn_n_u16(v, 5);
            vst4_u8(r.full[k].plane[0] + 2 * x, output.layout == Layout::uyvy ? uint8x8x4_t{{cb, even, cr, odd}}
                                                                                : uint8x8x4_t{{even, cb, odd, cr}});
        }
    }
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
template <Pair pair, int weight>
inline void unfold_v210_step(const RowPair& r, size_t x)
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
                const uint16x8_t sum = k ? eighths<weight - 4>(a[c][i], b[c][i]) : eighths<weight>(a[c][i], b[c][i]);
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
void unfold_neon(const RowGroups& groups)
{
    constexpr Format output = format_info(pair.output);
    run_constant_weights<pair, output.layout == Layout::v210 ? 48 : format_info(pair.source).depth == 8 ? 32 : 16>(
        groups, [](const RowPair& r, size_t x, auto weight) __attribute__((always_inline)) {
            if constexpr (format_info(pair.output).layout == Layout::v210)
                unfold_v210_step<pair, weight.value>(r, x);
            else if constexpr (format_info(pair.source).depth == 8)
                unfold_8bit_step<pair, weight.value>(r, x);
            else
                unfold_10bit_step<pair, weight.value>(r, x);
        });
}

template <Pair pair>
constexpr RowGroupFunction neon_kernel()
{
    if constexpr (!widest_rungs_have(pair))
        return nullptr;
    else if constexpr (unfolds(pair))
        return unfold_neon<pair>;
    else
        return fold_neon<pair>;
}

struct Neon {
    template <Pair pair>
    static constexpr RowGroupFunction kernel = neon_kernel<pair>();
};

} // namespace

KernelSet neon_kernel_set()
{
    return kernel_set<Neon>("neon");
}
