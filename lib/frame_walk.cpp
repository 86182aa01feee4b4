#include "lib/frame_walk.h"

#include "lib/edge_padding.h"
#include "lib/kernel_ladder.h"

#include <algorithm>

namespace {

// A 4:2:2 frame into a 4:2:0 one, four source rows, a row group, at a time.
// Of row group g, interlaced, the top field's chroma row 2g is sited a quarter
// of the way from row 4g to row 4g+2, and the bottom field's, 2g+1, three
// quarters of the way from row 4g+1 to row 4g+3: each leans 3:1 towards its
// nearer row. Progressive, chroma row 2g is the mean of rows 4g and 4g+1, and
// 2g+1 that of rows 4g+2 and 4g+3.
void fold_frame(RowGroupFunction kernel, RowGroupFunction plain, const FrameLayout& f)
{
    const bool interlaced = f.scan == CHROMAFOLD_SCAN_INTERLACED;
    // The rows of a row group that make each of its chroma rows, nearer first.
    constexpr int32_t field_rows[2][2] = {{0, 2}, {3, 1}}, picture_rows[2][2] = {{0, 1}, {2, 3}};
    const auto& group_rows = interlaced ? field_rows : picture_rows;
    const int32_t taken = std::min(f.src_height, f.dst_height); // rows with source data
    const int32_t groups = (taken + 3) / 4, whole_groups = taken / 4;

    // Chroma rows 2g and 2g+1 of group g, each from its two rows, and each
    // group after it four rows and two chroma rows further down. A row past
    // the source, at the bottom of padding mode, is missing.
    const auto groups_from = [&](int32_t g, int32_t count) {
        RowGroups run{{}, {}, {}, count, f.min_width};
        for (int32_t k = 0; k < 2; ++k) {
            RowPair& pair = run.first[k];
            pair.weight = interlaced ? 3 : 2;
            for (int32_t j = 0; j < 2; ++j)
                if (const int32_t row = 4 * g + group_rows[k][j]; row < taken) {
                    pair.full[j] = full_row(f.src, f.source, row);
                    pair.half[j].plane[0] = rows_of(f.dst, f.output, row, -1).plane[0];
                }
            const Rows chroma = rows_of(f.dst, f.output, -1, 2 * g + k);
            pair.half[0].plane[1] = chroma.plane[1];
            pair.half[0].plane[2] = chroma.plane[2];
        }
        for (int32_t p = 0; p < 3; ++p) {
            run.full_step[p] = 4 * f.src.stride[p];
            run.half_step[p] = (p == 0 ? 4 : 2) * f.dst.stride[p];
        }
        return run;
    };
    if (whole_groups > 0)
        kernel(groups_from(0, whole_groups));
    // The group the source ends in, in part.
    if (groups > whole_groups)
        plain(groups_from(whole_groups, 1));
    for (int32_t g = 0; f.min_width < f.dst_width && g < groups; ++g)
        for (const RowPair& pair : groups_from(g, 1).first) {
            for (int32_t j = 0; j < 2; ++j)
                if (pair.half[j].plane[0])
                    fill_span(f.output, {{pair.half[j].plane[0]}}, f.min_width, f.dst_width);
            fill_span(f.output, {{nullptr, pair.half[0].plane[1], pair.half[0].plane[2]}}, f.min_width,
                      f.dst_width);
        }
    fill_rows_below(f, taken, 2 * groups);
}

} // namespace

FrameLayout frame_layout(const chromafold_geometry& g, int32_t scan, int32_t source_format,
                         const chromafold_source_planes& source, int32_t output_format,
                         const chromafold_planes& output)
{
    FrameLayout f{format_info(source_format), format_info(output_format), scan, {}, {}, g.src_width,
                  g.src_height, g.dst_width, g.dst_height, std::min(g.src_width, g.dst_width)};
    // Only the planes each format has are kept, so that no pointer is ever
    // formed from another.
    for (int32_t p = 0; p < plane_count(f.source); ++p)
        f.src.data[p] = const_cast<uint8_t*>(source.data[p]), f.src.stride[p] = source.stride[p];
    for (int32_t p = 0; p < plane_count(f.output); ++p)
        f.dst.data[p] = output.data[p], f.dst.stride[p] = output.stride[p];
    return f;
}

void convert_frame_with(RowGroupFunction kernel, const FrameLayout& frame)
{
    fold_frame(kernel, plain_kernel(pair_index(frame.source.code, frame.output.code)), frame);
}

void convert_frame(const chromafold_geometry& g, uint8_t* dst, const uint8_t* src)
{
    const ptrdiff_t luma_size = ptrdiff_t(g.dst_width) * g.dst_height;
    const chromafold_source_planes source{{src}, {ptrdiff_t(g.src_width) * 2}};
    const chromafold_planes planes{{dst, dst + luma_size, dst + luma_size + luma_size / 4},
                                   {g.dst_width, g.dst_width / 2, g.dst_width / 2}};
    const int32_t pair = pair_index(CHROMAFOLD_FORMAT_UYVY, CHROMAFOLD_FORMAT_I420);
    convert_frame_with(chosen_kernel(pair), frame_layout(g, CHROMAFOLD_SCAN_INTERLACED, CHROMAFOLD_FORMAT_UYVY,
                                                         source, CHROMAFOLD_FORMAT_I420, planes));
}
