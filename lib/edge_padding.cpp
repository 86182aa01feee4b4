#include "lib/edge_padding.h"

#include "lib/samples.h"

#include <cstring>

namespace {

// Sets `count` samples of a planar row from `at` to `value`.
void fill_samples(const Format& format, uint8_t* at, ptrdiff_t count, uint32_t value)
{
    if (count <= 0)
        return;
    if (format.depth == 8) {
        std::memset(at, int(value), size_t(count));
        return;
    }
    for (ptrdiff_t i = 0; i < count; ++i)
        samples::set_word(at + 2 * i, value << word_shift(format));
}

} // namespace

void fill_span(const Format& format, const Rows& rows, int32_t from, int32_t to)
{
    const uint32_t luma = black(format.depth), chroma = neutral(format.depth);
    const ptrdiff_t bytes = sample_bytes(format);
    if (packed(format)) {
        for (int32_t x = from; x < to; ++x)
            put_luma(format, rows, x, luma);
        for (int32_t i = from / 2; i < to / 2; ++i) {
            put_chroma<0>(format, rows, i, chroma);
            put_chroma<1>(format, rows, i, chroma);
        }
        return;
    }
    if (rows.plane[0])
        fill_samples(format, rows.plane[0] + from * bytes, to - from, luma);
    if (format.layout == Layout::semi_planar && rows.plane[1])
        fill_samples(format, rows.plane[1] + from * bytes, to - from, chroma);
    for (int32_t p = 1; format.layout == Layout::planar && p < 3; ++p)
        if (rows.plane[p])
            fill_samples(format, rows.plane[p] + from / 2 * bytes, (to - from) / 2, chroma);
}

void complete_row(const Format& format, const Rows& row, int32_t from, int32_t width)
{
    if (format.layout == Layout::v210) {
        // The fill sets fields into words zeroed from the first group it
        // takes whole; the group it shares with the pixels before keeps them.
        const ptrdiff_t written = (from + 5) / 6 * 16;
        std::memset(row.plane[0] + written, 0, size_t(row_bytes(format, 0, width) - written));
    }
    fill_span(format, row, from, width);
}

void fill_rows_below(const FrameLayout& frame, int32_t first_luma, int32_t first_chroma)
{
    const Format& format = frame.output;
    const int32_t chroma_rows = plane_rows(format, 1, frame.dst_height);
    for (int32_t row = first_luma; row < frame.dst_height; ++row)
        complete_row(format, rows_of(frame.dst, format, row, format.subsampled ? -1 : row), 0, frame.dst_width);
    for (int32_t row = first_chroma; format.subsampled && row < chroma_rows; ++row)
        fill_span(format, rows_of(frame.dst, format, -1, row), 0, frame.dst_width);
}
