#include <chromafold/convert.h>
#include "convert/edge_padding.h"
#include "convert/frame_layout.h"
#include "convert/kernel_table.h"

#include <algorithm>

FrameLayout strided_frame_layout(const uint8_t* src, ptrdiff_t src_stride, uint8_t* y,
                                 ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride, uint8_t* v,
                                 ptrdiff_t v_stride, int32_t src_width, int32_t src_height,
                                 int32_t dst_width, int32_t dst_height)
{
    return FrameLayout{src, y, u, v, src_stride, luma_stride, u_stride, v_stride, src_width,
                       src_height, dst_width, dst_height, std::min(src_width, dst_width)};
}

FrameLayout frame_layout(uint8_t* dst, const uint8_t* src, int32_t src_width, int32_t src_height,
                         int32_t dst_width, int32_t dst_height)
{
    const ptrdiff_t luma_size = ptrdiff_t(dst_width) * dst_height;
    return strided_frame_layout(src, ptrdiff_t(src_width) * 2, dst, dst_width, dst + luma_size,
                                dst_width / 2, dst + luma_size + luma_size / 4, dst_width / 2,
                                src_width, src_height, dst_width, dst_height);
}

void convert_frame_with(const RowKernels& kernels, const FrameLayout& frame)
{
    const int32_t full_groups = std::min(frame.src_height, frame.dst_height) / 4;

    // Row group g: source rows 4g..4g+3 give luma rows 4g..4g+3, the top-field
    // chroma row 2g (from rows 4g and 4g+2) and the bottom-field one 2g+1 (from
    // rows 4g+1 and 4g+3).
    for (int32_t g = 0; g < full_groups; ++g) {
        kernels.convert_row_group(luma_row(frame, 4 * g), frame.luma_stride, u_row(frame, 2 * g),
                                  frame.u_stride, v_row(frame, 2 * g), frame.v_stride,
                                  source_row(frame, 4 * g), frame.src_stride, frame.min_width);
        if (frame.src_width < frame.dst_width) {
            for (int32_t row = 4 * g; row < 4 * g + 4; ++row)
                fill_right_of_luma(frame, row);
            fill_right_of_chroma(frame, 2 * g);
            fill_right_of_chroma(frame, 2 * g + 1);
        }
    }

    if (frame.dst_height > frame.src_height)
        pad_bottom(frame, full_groups);
}

void convert_frame(uint8_t* dst, const uint8_t* src, int32_t src_width, int32_t src_height,
                   int32_t dst_width, int32_t dst_height)
{
    convert_frame_with(active_row_kernels(),
                       frame_layout(dst, src, src_width, src_height, dst_width, dst_height));
}
