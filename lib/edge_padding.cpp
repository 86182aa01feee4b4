#include "lib/edge_padding.h"

#include <cstring>

namespace {

constexpr uint8_t black = 16;
constexpr uint8_t neutral = 128;

void copy_luma_row_at(const FrameLayout& frame, int32_t row)
{
    copy_luma_row(luma_row(frame, row), source_row(frame, row), frame.min_width);
    if (frame.src_width < frame.dst_width)
        fill_right_of_luma(frame, row);
}

// Sets `rows` rows of `length` bytes, `stride` apart, to `value`, and never the
// bytes between two rows.
void fill_rows(uint8_t* first, ptrdiff_t stride, ptrdiff_t length, int32_t rows, uint8_t value)
{
    if (stride == length) {
        std::memset(first, value, size_t(length) * size_t(rows));
        return;
    }
    for (int32_t row = 0; row < rows; ++row)
        std::memset(first + row * stride, value, size_t(length));
}

void fill_chroma_row(const FrameLayout& frame, int32_t chroma_row)
{
    fill_chroma(u_row(frame, chroma_row), v_row(frame, chroma_row), frame.dst_width);
}

} // namespace

void fill_luma(uint8_t* luma, ptrdiff_t length)
{
    if (length > 0)
        std::memset(luma, black, size_t(length));
}

void fill_chroma(uint8_t* u, uint8_t* v, ptrdiff_t length)
{
    if (length > 0) {
        std::memset(u, neutral, size_t(length / 2));
        std::memset(v, neutral, size_t(length / 2));
    }
}

void fill_right_of_luma(const FrameLayout& frame, int32_t row)
{
    fill_luma(luma_row(frame, row) + frame.src_width, frame.dst_width - frame.src_width);
}

void fill_right_of_chroma(const FrameLayout& frame, int32_t chroma_row)
{
    const int32_t first = frame.src_width / 2;
    fill_chroma(u_row(frame, chroma_row) + first, v_row(frame, chroma_row) + first,
                frame.dst_width - frame.src_width);
}

void pad_bottom(const FrameLayout& frame, int32_t first_group)
{
    const bool narrow = frame.src_width < frame.dst_width;
    const int32_t top = 4 * first_group;
    const int32_t top_chroma = 2 * first_group;
    // Source rows left over after the whole row groups: 0 to 3.
    const int32_t left_over = frame.src_height - top;
    int32_t first_black_row = top;

    // A chroma row whose second field row is missing blends the row it has
    // with neutral chroma; one with no row of its field at all is neutral.
    if (left_over > 0) {
        copy_luma_row_at(frame, top);
        if (left_over == 3)
            chroma_top_field(u_row(frame, top_chroma), v_row(frame, top_chroma),
                             source_row(frame, top), frame.min_width, 2 * frame.src_stride);
        else
            chroma_top_edge(u_row(frame, top_chroma), v_row(frame, top_chroma),
                            source_row(frame, top), frame.min_width);
        if (narrow)
            fill_right_of_chroma(frame, top_chroma);

        if (left_over >= 2) {
            copy_luma_row_at(frame, top + 1);
            chroma_bottom_edge(u_row(frame, top_chroma + 1), v_row(frame, top_chroma + 1),
                               source_row(frame, top + 1), frame.min_width);
            if (narrow)
                fill_right_of_chroma(frame, top_chroma + 1);
        } else {
            fill_luma(luma_row(frame, top + 1), frame.dst_width);
            fill_chroma_row(frame, top_chroma + 1);
        }

        if (left_over == 3)
            copy_luma_row_at(frame, top + 2);
        else
            fill_luma(luma_row(frame, top + 2), frame.dst_width);
        fill_luma(luma_row(frame, top + 3), frame.dst_width);
        first_black_row = top + 4;
    }

    // Whole rows below the source, each plane in one span where its rows lie
    // back to back.
    const int32_t black_rows = frame.dst_height - first_black_row;
    if (black_rows == 0)
        return;
    fill_rows(luma_row(frame, first_black_row), frame.luma_stride, frame.dst_width, black_rows,
              black);
    fill_rows(u_row(frame, first_black_row / 2), frame.u_stride, frame.dst_width / 2,
              black_rows / 2, neutral);
    fill_rows(v_row(frame, first_black_row / 2), frame.v_stride, frame.dst_width / 2,
              black_rows / 2, neutral);
}
