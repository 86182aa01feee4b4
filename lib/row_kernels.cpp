#include "lib/row_kernels.h"

void copy_luma_row(uint8_t* luma, const uint8_t* src, int32_t width)
{
    for (int32_t i = 0; i < width / 2; ++i) {
        luma[2 * i] = src[4 * i + 1];
        luma[2 * i + 1] = src[4 * i + 3];
    }
}

void chroma_top_field(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                      ptrdiff_t row_distance)
{
    const uint8_t* lower = upper + row_distance;
    for (int32_t i = 0; i < width / 2; ++i) {
        u[i] = uint8_t((3 * upper[4 * i] + lower[4 * i] + 2) >> 2);
        v[i] = uint8_t((3 * upper[4 * i + 2] + lower[4 * i + 2] + 2) >> 2);
    }
}

void chroma_bottom_field(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width,
                         ptrdiff_t row_distance)
{
    const uint8_t* lower = upper + row_distance;
    for (int32_t i = 0; i < width / 2; ++i) {
        u[i] = uint8_t((upper[4 * i] + 3 * lower[4 * i] + 2) >> 2);
        v[i] = uint8_t((upper[4 * i + 2] + 3 * lower[4 * i + 2] + 2) >> 2);
    }
}

void chroma_top_edge(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    for (int32_t i = 0; i < width / 2; ++i) {
        u[i] = uint8_t((3 * upper[4 * i] + 130) >> 2);
        v[i] = uint8_t((3 * upper[4 * i + 2] + 130) >> 2);
    }
}

void chroma_bottom_edge(uint8_t* u, uint8_t* v, const uint8_t* upper, int32_t width)
{
    for (int32_t i = 0; i < width / 2; ++i) {
        u[i] = uint8_t((upper[4 * i] + 386) >> 2);
        v[i] = uint8_t((upper[4 * i + 2] + 386) >> 2);
    }
}

void convert_row_group(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                       uint8_t* v, ptrdiff_t v_stride, const uint8_t* src, ptrdiff_t src_stride,
                       int32_t width)
{
    // The two rows of one field lie two source rows apart.
    copy_luma_row(luma, src, width);
    chroma_top_field(u, v, src, width, 2 * src_stride);
    copy_luma_row(luma + luma_stride, src + src_stride, width);
    chroma_bottom_field(u + u_stride, v + v_stride, src + src_stride, width,
                        2 * src_stride);
    copy_luma_row(luma + 2 * luma_stride, src + 2 * src_stride, width);
    copy_luma_row(luma + 3 * luma_stride, src + 3 * src_stride, width);
}
