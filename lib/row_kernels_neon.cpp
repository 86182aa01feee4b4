#include "lib/row_kernels_arm64.h"

#include "lib/formats.h"

#include <arm_neon.h>

// Whole vectors here, the rest of each row by the plain C kernel, so every
// byte equals the reference. The 8-bit sources: a four-way load sorts 16
// pixel pairs once into their four bytes, so that luma, U and V are apart.
// v210: a four-way load of 32-bit words sorts four groups of six pixels into
// their words 0 to 3, from which shifts gather each group's samples two by two
// into 32-bit lanes; three-way stores lay them out in pixel order.

namespace {

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far.
inline uint8x16_t mix(uint8x16_t near, uint8x16_t far)
{
    return vrhaddq_u8(near, vhaddq_u8(near, far));
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

// 16-bit samples to the output's words: bits 0-9 (I010) or 6-15 (P010).
template <int32_t output>
inline uint32x4_t words(uint16x8_t samples)
{
    return vreinterpretq_u32_u16(output == CHROMAFOLD_OUTPUT_P010 ? vshlq_n_u16(samples, 6) : samples);
}

template <int32_t output>
inline void store_v210_luma(uint8_t* luma, const V210Samples& s)
{
    if constexpr (ten_bit_output(output)) {
        for (int h = 0; h < 2; ++h) {
            uint32x4x3_t out;
            for (int k = 0; k < 3; ++k)
                out.val[k] = words<output>(vreinterpretq_u16_u32(s.luma[h].val[k]));
            vst3q_u32(reinterpret_cast<uint32_t*>(luma + 48 * h), out);
        }
    } else {
        // min(255, (Y + 2) >> 2), two pixels a 16-bit lane.
        uint16x8x3_t out;
        for (int k = 0; k < 3; ++k)
            out.val[k] = vreinterpretq_u16_u8(vcombine_u8(
                vqrshrn_n_u16(vreinterpretq_u16_u32(s.luma[0].val[k]), 2),
                vqrshrn_n_u16(vreinterpretq_u16_u32(s.luma[1].val[k]), 2)));
        vst3q_u16(reinterpret_cast<uint16_t*>(luma), out);
    }
}

template <int32_t output>
inline void store_v210_chroma(uint8_t* u, uint8_t* v, const V210Samples& near, const V210Samples& far)
{
    uint16x8_t sums[2][3];
    for (int h = 0; h < 2; ++h)
        for (int k = 0; k < 3; ++k)
            sums[h][k] = vmlaq_n_u16(vreinterpretq_u16_u32(far.chroma[h].val[k]),
                                     vreinterpretq_u16_u32(near.chroma[h].val[k]), 3);
    if constexpr (ten_bit_output(output)) {
        for (int h = 0; h < 2; ++h) {
            uint32x4x3_t pairs;
            for (int k = 0; k < 3; ++k)
                pairs.val[k] = words<output>(vrshrq_n_u16(sums[h][k], 2));
            if constexpr (output == CHROMAFOLD_OUTPUT_P010) {
                vst3q_u32(reinterpret_cast<uint32_t*>(u + 48 * h), pairs);
            } else {
                uint16x4x3_t cb, cr;
                for (int k = 0; k < 3; ++k) {
                    cb.val[k] = vmovn_u32(pairs.val[k]);
                    cr.val[k] = vshrn_n_u32(pairs.val[k], 16);
                }
                vst3_u16(reinterpret_cast<uint16_t*>(u + 24 * h), cb);
                vst3_u16(reinterpret_cast<uint16_t*>(v + 24 * h), cr);
            }
        }
    } else {
        // min(255, (sum + 8) >> 4), a Cb, Cr pair a 16-bit lane.
        uint8x16_t pairs[3];
        for (int k = 0; k < 3; ++k)
            pairs[k] = vcombine_u8(vqrshrn_n_u16(sums[0][k], 4), vqrshrn_n_u16(sums[1][k], 4));
        if constexpr (output == CHROMAFOLD_OUTPUT_NV12) {
            vst3q_u16(reinterpret_cast<uint16_t*>(u),
                      (uint16x8x3_t{{vreinterpretq_u16_u8(pairs[0]), vreinterpretq_u16_u8(pairs[1]),
                                     vreinterpretq_u16_u8(pairs[2])}}));
        } else {
            uint8x8x3_t cb, cr;
            for (int k = 0; k < 3; ++k) {
                const uint8x8x2_t apart = vuzp_u8(vget_low_u8(pairs[k]), vget_high_u8(pairs[k]));
                cb.val[k] = apart.val[0];
                cr.val[k] = apart.val[1];
            }
            vst3_u8(u, cb);
            vst3_u8(v, cr);
        }
    }
}

} // namespace

template <int32_t source, int32_t output>
void convert_row_group_neon(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width)
{
    constexpr ptrdiff_t bytes = sample_bytes(output), step = chroma_step(output);
    int32_t x = 0;
    if constexpr (source == v210) {
        // Eight groups, 48 pixels, a step.
        for (; x + 48 <= width; x += 48) {
            V210Samples rows[4];
            for (int r = 0; r < 4; ++r) {
                rows[r] = v210_samples(src + r * src_stride + x / 6 * 16);
                store_v210_luma<output>(luma + r * luma_stride + x * bytes, rows[r]);
            }
            // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
            store_v210_chroma<output>(u + x / 2 * step, v + x / 2 * step, rows[0], rows[2]);
            store_v210_chroma<output>(u + u_stride + x / 2 * step, v + v_stride + x / 2 * step, rows[3],
                                      rows[1]);
        }
    } else {
        // UYVY pairs are U Y0 V Y1; YUY2 Y0 U Y1 V.
        constexpr int y0 = source == CHROMAFOLD_SOURCE_UYVY ? 1 : 0, cb = 1 - y0;
        for (; x + 32 <= width; x += 32) {
            // Each source byte is loaded once, for its luma and its chroma.
            uint8x16x4_t rows[4];
            for (int r = 0; r < 4; ++r) {
                rows[r] = vld4q_u8(src + r * src_stride + 2 * x);
                vst2q_u8(luma + r * luma_stride + x, (uint8x16x2_t{{rows[r].val[y0], rows[r].val[y0 + 2]}}));
            }
            // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
            for (int field = 0; field < 2; ++field) {
                const uint8x16x4_t& near = rows[field ? 3 : 0];
                const uint8x16x4_t& far = rows[field ? 1 : 2];
                const uint8x16x2_t mixed{
                    {mix(near.val[cb], far.val[cb]), mix(near.val[cb + 2], far.val[cb + 2])}};
                uint8_t* u_at = u + field * u_stride + x / 2 * step;
                if constexpr (output == CHROMAFOLD_OUTPUT_NV12) {
                    vst2q_u8(u_at, mixed);
                } else {
                    vst1q_u8(u_at, mixed.val[0]);
                    vst1q_u8(v + field * v_stride + x / 2, mixed.val[1]);
                }
            }
        }
    }
    convert_row_group<source, output>(luma + x * bytes, luma_stride, u + x / 2 * step, u_stride,
                                      v + x / 2 * step, v_stride, src + source_bytes_read(source, x),
                                      src_stride, width - x);
}

template RowGroupKernelType convert_row_group_neon<uyvy, i420>;
template RowGroupKernelType convert_row_group_neon<uyvy, nv12>;
template RowGroupKernelType convert_row_group_neon<yuy2, i420>;
template RowGroupKernelType convert_row_group_neon<yuy2, nv12>;
template RowGroupKernelType convert_row_group_neon<v210, i420>;
template RowGroupKernelType convert_row_group_neon<v210, nv12>;
template RowGroupKernelType convert_row_group_neon<v210, i010>;
template RowGroupKernelType convert_row_group_neon<v210, p010>;
