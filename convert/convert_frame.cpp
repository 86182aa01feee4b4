#include "convert/convert.h"
#include "convert/edge_padding.h"
#include "convert/frame_layout.h"
#include "convert/kernel_table.h"

#include <algorithm>

FrameLayout frame_layout(uint8_t* dst, const uint8_t* src, int32_t src_width, int32_t src_height,
                         int32_t dst_width, int32_t dst_height)
{
    FrameLayout frame{};
    const ptrdiff_t luma_size = ptrdiff_t(dst_width) * dst_height;
    frame.src = src;
    frame.y = dst;
    frame.u = dst + luma_size;
    frame.v = dst + luma_size + luma_size / 4;
    frame.src_stride = ptrdiff_t(src_width) * 2;
    frame.luma_stride = dst_width;
    frame.chroma_stride = dst_width / 2;
    frame.src_width = src_width;
    frame.src_height = src_height;
    frame.dst_width = dst_width;
    frame.dst_height = dst_height;
    frame.min_width = std::min(src_width, dst_width);
    return frame;
}

void convert_frame_with(const RowKernels& kernels, uint8_t* dst, const uint8_t* src,
                        int32_t src_width, int32_t src_height, int32_t dst_width,
                        int32_t dst_height)
{
    const FrameLayout frame =
        frame_layout(dst, src, src_width, src_height, dst_width, dst_height);
    const bool narrow = src_width < dst_width;
    // The two rows of one field lie two source rows apart.
    const ptrdiff_t field_distance = 2 * frame.src_stride;
    const int32_t full_groups = std::min(src_height, dst_height) / 4;

    // Row group g: source rows 4g..4g+3 give luma rows 4g..4g+3, the top-field
    // chroma row 2g (from rows 4g and 4g+2) and the bottom-field one 2g+1 (from
    // rows 4g+1 and 4g+3).
    for (int32_t g = 0; g < full_groups; ++g) {
        const int32_t top = 4 * g;
        const int32_t top_chroma = 2 * g;

        kernels.copy_luma_row(luma_row(frame, top), source_row(frame, top), frame.min_width);
        kernels.chroma_top_field(u_row(frame, top_chroma), v_row(frame, top_chroma),
                                 source_row(frame, top), frame.min_width, field_distance);
        if (narrow) {
            fill_right_of_luma(frame, top);
            fill_right_of_chroma(frame, top_chroma);
        }

        kernels.copy_luma_row(luma_row(frame, top + 1), source_row(frame, top + 1),
                              frame.min_width);
        kernels.chroma_bottom_field(u_row(frame, top_chroma + 1), v_row(frame, top_chroma + 1),
                                    source_row(frame, top + 1), frame.min_width, field_distance);
        if (narrow) {
            fill_right_of_luma(frame, top + 1);
            fill_right_of_chroma(frame, top_chroma + 1);
        }

        for (int32_t row = top + 2; row < top + 4; ++row) {
            kernels.copy_luma_row(luma_row(frame, row), source_row(frame, row), frame.min_width);
            if (narrow)
                fill_right_of_luma(frame, row);
        }
    }

    if (dst_height > src_height)
        pad_bottom(kernels, frame, full_groups);
}

void convert_frame(uint8_t* dst, const uint8_t* src, int32_t src_width, int32_t src_height,
                   int32_t dst_width, int32_t dst_height)
{
    convert_frame_with(active_row_kernels(), dst, src, src_width, src_height, dst_width,
                       dst_height);
}
