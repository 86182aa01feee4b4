#include "lib/row_kernels_arm64.h"

#include <arm_neon.h>

// Whole vectors of 16 quads here, the rest of each row by the plain C kernel,
// so every byte equals the reference. A four-way load sorts 16 quads once into
// their U, Y0, V and Y1 bytes; U and V are then already apart.

namespace {

// (3 * near + far + 2) >> 2 on bytes, exactly: the rounded-up average of near
// and the rounded-down average of near and far.
inline uint8x16_t mix(uint8x16_t near, uint8x16_t far)
{
    return vrhaddq_u8(near, vhaddq_u8(near, far));
}

} // namespace

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
