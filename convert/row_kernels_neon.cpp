#include "convert/row_kernels_arm64.h"

#include <arm_neon.h>

// Whole vectors of 16 quads here, the rest of each row by the plain C kernels,
// so every byte equals the reference. A four-way load splits 16 quads into
// their U, Y0, V and Y1 bytes.

namespace {

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far.
inline uint8x16_t mix(uint8x16_t near, uint8x16_t far)
{
    return vrhaddq_u8(near, vhaddq_u8(near, far));
}

struct Chroma16 {
    uint8x16_t u, v;
};

// The chroma of 16 quads of one row, or neutral chroma for a missing row.
inline Chroma16 chroma_row(const uint8_t* quads)
{
    if (!quads)
        return {vdupq_n_u8(128), vdupq_n_u8(128)};
    const uint8x16x4_t q = vld4q_u8(quads);
    return {q.val[0], q.val[2]};
}

// Mixes quads 0 to a multiple of 16 of a near and a far row, weighted 3:1; a
// null row stands for neutral chroma. Returns the number of quads done.
int32_t mix_rows(uint8_t* u, uint8_t* v, const uint8_t* near, const uint8_t* far, int32_t quads)
{
    int32_t i = 0;
    for (; i + 16 <= quads; i += 16) {
        const Chroma16 n = chroma_row(near ? near + 4 * i : nullptr);
        const Chroma16 f = chroma_row(far ? far + 4 * i : nullptr);
        vst1q_u8(u + i, mix(n.u, f.u));
        vst1q_u8(v + i, mix(n.v, f.v));
    }
    return i;
}

} // namespace

void copy_luma_row_neon(uint8_t* luma, const uint8_t* src, int32_t width)
{
    int32_t x = 0;
    for (; x + 32 <= width; x += 32) {
        const uint8x16x4_t q = vld4q_u8(src + 2 * x);
        vst2q_u8(luma + x, (uint8x16x2_t{{q.val[1], q.val[3]}}));
    }
    copy_luma_row(luma + x, src + 2 * x, width - x);
}

void chroma_top_field_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                           ptrdiff_t row_distance)
{
    const int32_t i = mix_rows(u, v, upper, upper + row_distance, width / 2);
    chroma_top_field(u + i, v + i, upper + 4 * i, width - 2 * i, row_distance);
}

void chroma_bottom_field_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                              ptrdiff_t row_distance)
{
    const int32_t i = mix_rows(u, v, upper + row_distance, upper, width / 2);
    chroma_bottom_field(u + i, v + i, upper + 4 * i, width - 2 * i, row_distance);
}

void chroma_top_edge_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    const int32_t i = mix_rows(u, v, upper, nullptr, width / 2);
    chroma_top_edge(u + i, v + i, upper + 4 * i, width - 2 * i);
}

void chroma_bottom_edge_neon(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    const int32_t i = mix_rows(u, v, nullptr, upper, width / 2);
    chroma_bottom_edge(u + i, v + i, upper + 4 * i, width - 2 * i);
}

void convert_row_group_neon(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                            uint8_t* v, ptrdiff_t v_stride, const uint8_t* src,
                            ptrdiff_t src_stride, int32_t width)
{
    int32_t i = 0;
    for (; i + 16 <= width / 2; i += 16) {
        // Each source byte is loaded once, for its luma and its chroma.
        uint8x16x4_t rows[4];
        for (int r = 0; r < 4; ++r) {
            rows[r] = vld4q_u8(src + r * src_stride + 4 * i);
            vst2q_u8(luma + r * luma_stride + 2 * i, (uint8x16x2_t{{rows[r].val[1], rows[r].val[3]}}));
        }
        // Top field: r0 near, r2 far. Bottom field: r3 near, r1 far.
        vst1q_u8(u + i, mix(rows[0].val[0], rows[2].val[0]));
        vst1q_u8(v + i, mix(rows[0].val[2], rows[2].val[2]));
        vst1q_u8(u + u_stride + i, mix(rows[3].val[0], rows[1].val[0]));
        vst1q_u8(v + v_stride + i, mix(rows[3].val[2], rows[1].val[2]));
    }
    convert_row_group(luma + 2 * i, luma_stride, u + i, u_stride, v + i, v_stride, src + 4 * i,
                      src_stride, width - 2 * i);
}
