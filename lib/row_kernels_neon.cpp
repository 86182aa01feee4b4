#include "lib/kernel_ladder.h"

#include <arm_neon.h>

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

template <Pair pair, int weight>
void fold_groups(const RowGroups& groups)
{
    constexpr Format source = format_info(pair.source);
    int32_t done = 0;
    for (int32_t n = 0; n < groups.count; ++n) {
        const RowPair a = pair_at<pair>(groups, 0, n), b = pair_at<pair>(groups, 1, n);
        if constexpr (source.layout == Layout::v210)
            // The groups of six pixels the row uses in part go to the plain C kernel.
            done = each_group_step<48, pair>(a, b, groups.width / 6 * 6,
                                             [](const RowPair& r, size_t x) { fold_v210_step<pair, weight>(r, x); });
        else if constexpr (source.depth == 8)
            done = each_group_step<32, pair>(a, b, groups.width,
                                             [](const RowPair& r, size_t x) { fold_8bit_step<pair, weight>(r, x); });
        else
            done = each_group_step<16, pair>(a, b, groups.width,
                                             [](const RowPair& r, size_t x) { fold_10bit_step<pair, weight>(r, x); });
    }
    if (done < groups.width)
        plain_kernel(pair_index(pair.source, pair.output))(from_pixel(groups, pair, done));
}

// Both pairs of a group of a fold have one weight.
template <Pair pair>
void fold_neon(const RowGroups& groups)
{
    if (groups.first[0].weight == 3)
        fold_groups<pair, 3>(groups);
    else
        fold_groups<pair, 2>(groups);
}

// NEON has every pair whose source and output have the same depth, and v210
// into 8 bits.
template <Pair pair>
constexpr RowGroupFunction neon_kernel()
{
    constexpr Format source = format_info(pair.source), output = format_info(pair.output);
    if constexpr (source.depth == output.depth || source.layout == Layout::v210)
        return fold_neon<pair>;
    else
        return nullptr;
}

template <Pair pair>
struct Neon {
    static constexpr RowGroupFunction kernel = neon_kernel<pair>();
};

} // namespace

KernelSet neon_kernel_set()
{
    return kernel_set<Neon>("neon");
}
