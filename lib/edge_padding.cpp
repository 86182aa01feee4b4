#include "lib/edge_padding.h"

#include <cstring>

namespace {

uint32_t black(const FrameLayout& frame)
{
    return ten_bit_output(frame.output_format) ? 64 : 16;
}

uint32_t neutral(const FrameLayout& frame)
{
    return ten_bit_output(frame.output_format) ? 512 : 128;
}

// Sets `count` samples from `at` to `value`, of the output's depth and in its
// words; nothing when the count is 0 or less.
void fill_samples(const FrameLayout& frame, uint8_t* at, ptrdiff_t count, uint32_t value)
{
    if (count <= 0)
        return;
    if (!ten_bit_output(frame.output_format)) {
        std::memset(at, int(value), size_t(count));
        return;
    }
    const uint32_t word = frame.output_format == CHROMAFOLD_OUTPUT_P010 ? value << 6 : value;
    for (ptrdiff_t i = 0; i < count; ++i) {
        at[2 * i] = uint8_t(word);
        at[2 * i + 1] = uint8_t(word >> 8);
    }
}

// Sets `rows` rows of `count` samples, `stride` bytes apart, to `value`, and
// never the bytes between two rows: in one span where the rows lie back to
// back.
void fill_rows(const FrameLayout& frame, uint8_t* first, ptrdiff_t stride, ptrdiff_t count,
               int32_t rows, uint32_t value)
{
    if (stride == count * sample_bytes(frame.output_format)) {
        fill_samples(frame, first, count * rows, value);
        return;
    }
    for (int32_t row = 0; row < rows; ++row)
        fill_samples(frame, first + row * stride, count, value);
}

// Sets the chroma of pixels `first` to dst_width - 1 in `rows` chroma rows from
// `chroma_row` to neutral, U and V alike.
void fill_chroma(const FrameLayout& frame, int32_t chroma_row, int32_t first, int32_t rows)
{
    const ptrdiff_t bytes = sample_bytes(frame.output_format);
    if (interleaved_chroma(frame.output_format)) {
        fill_rows(frame, u_row(frame, chroma_row) + first * bytes, frame.u_stride,
                  frame.dst_width - first, rows, neutral(frame));
        return;
    }
    fill_rows(frame, u_row(frame, chroma_row) + first / 2 * bytes, frame.u_stride,
              (frame.dst_width - first) / 2, rows, neutral(frame));
    fill_rows(frame, v_row(frame, chroma_row) + first / 2 * bytes, frame.v_stride,
              (frame.dst_width - first) / 2, rows, neutral(frame));
}

void fill_luma(const FrameLayout& frame, int32_t row, int32_t first, int32_t rows)
{
    fill_rows(frame, luma_row(frame, row) + first * sample_bytes(frame.output_format),
              frame.luma_stride, frame.dst_width - first, rows, black(frame));
}

} // namespace

void fill_right_of_luma(const FrameLayout& frame, int32_t row)
{
    fill_luma(frame, row, frame.src_width, 1);
}

void fill_right_of_chroma(const FrameLayout& frame, int32_t chroma_row)
{
    fill_chroma(frame, chroma_row, frame.src_width, 1);
}

void pad_bottom(const FrameLayout& frame, int32_t first_group)
{
    const EdgeKernels kernels = edge_kernels(frame.source_format, frame.output_format);
    const bool narrow = frame.src_width < frame.dst_width;
    const int32_t top = 4 * first_group;
    const int32_t top_chroma = 2 * first_group;
    // Source rows left over after the whole row groups: 0 to 3.
    const int32_t left_over = frame.src_height - top;
    int32_t first_black_row = top;

    // A chroma row whose second field row is missing blends the row it has
    // with neutral chroma at the missing row's weight; one with no row of its
    // field at all is neutral.
    if (left_over > 0) {
        for (int32_t row = top; row < top + left_over; ++row) {
            kernels.luma_row(luma_row(frame, row), source_row(frame, row), frame.min_width);
            if (narrow)
                fill_right_of_luma(frame, row);
        }
        // Top field: r0 near, r2 far, if there is an r2.
        kernels.chroma_row(u_row(frame, top_chroma), v_row(frame, top_chroma), source_row(frame, top),
                           left_over == 3 ? source_row(frame, top + 2) : nullptr, frame.min_width);
        if (narrow)
            fill_right_of_chroma(frame, top_chroma);
        // Bottom field: r3 near, which is missing, r1 far.
        if (left_over >= 2) {
            kernels.chroma_row(u_row(frame, top_chroma + 1), v_row(frame, top_chroma + 1), nullptr,
                               source_row(frame, top + 1), frame.min_width);
            if (narrow)
                fill_right_of_chroma(frame, top_chroma + 1);
        } else {
            fill_chroma(frame, top_chroma + 1, 0, 1);
        }
        fill_luma(frame, top + left_over, 0, 4 - left_over);
        first_black_row = top + 4;
    }

    // Whole rows below the source.
    const int32_t black_rows = frame.dst_height - first_black_row;
    // Without them, no row pointer past the planes is ever formed.
    if (black_rows == 0)
        return;
    fill_luma(frame, first_black_row, 0, black_rows);
    fill_chroma(frame, first_black_row / 2, 0, black_rows / 2);
}
