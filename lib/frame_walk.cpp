#include "lib/frame_walk.h"

#include "lib/edge_padding.h"
#include "lib/kernel_ladder.h"

#include <algorithm>

FrameLayout frame_layout(const chromafold_geometry& g, int32_t source_format, const uint8_t* src,
                         ptrdiff_t src_stride, int32_t output_format, const chromafold_planes& planes)
{
    const bool interleaved = interleaved_chroma(output_format);
    return FrameLayout{source_format,
                       output_format,
                       src,
                       planes.data[0],
                       planes.data[1],
                       interleaved ? planes.data[1] + sample_bytes(output_format) : planes.data[2],
                       src_stride,
                       planes.stride[0],
                       planes.stride[1],
                       interleaved ? planes.stride[1] : planes.stride[2],
                       g.src_width,
                       g.src_height,
                       g.dst_width,
                       g.dst_height,
                       std::min(g.src_width, g.dst_width)};
}

void convert_frame_with(RowGroupFunction row_group, const FrameLayout& frame)
{
    const int32_t full_groups = std::min(frame.src_height, frame.dst_height) / 4;

    // Row group g: source rows 4g..4g+3 give luma rows 4g..4g+3, the top-field
    // chroma row 2g (from rows 4g and 4g+2) and the bottom-field one 2g+1 (from
    // rows 4g+1 and 4g+3).
    for (int32_t g = 0; g < full_groups; ++g) {
        row_group(luma_row(frame, 4 * g), frame.luma_stride, u_row(frame, 2 * g), frame.u_stride,
                  v_row(frame, 2 * g), frame.v_stride, source_row(frame, 4 * g), frame.src_stride,
                  frame.min_width);
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

void convert_frame(const chromafold_geometry& g, uint8_t* dst, const uint8_t* src)
{
    const ptrdiff_t luma_size = ptrdiff_t(g.dst_width) * g.dst_height;
    const chromafold_planes planes{{dst, dst + luma_size, dst + luma_size + luma_size / 4},
                                   {g.dst_width, g.dst_width / 2, g.dst_width / 2}};
    convert_frame_with(chosen_kernel(CHROMAFOLD_SOURCE_UYVY, CHROMAFOLD_OUTPUT_I420),
                       frame_layout(g, CHROMAFOLD_SOURCE_UYVY, src, ptrdiff_t(g.src_width) * 2,
                                    CHROMAFOLD_OUTPUT_I420, planes));
}
