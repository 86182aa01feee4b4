#include "lib/frame_walk.h"

#include "lib/edge_padding.h"

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

// A 4:2:0 frame back into 4:2:2. Interlaced, each field on its own: number a
// field's lines l (frame rows 2l + f, f 0 for the top field and 1 for the
// bottom one) and its chroma rows c[m] (frame chroma rows 2m + f). The top
// field's c[m] is sited a quarter of the way from line 2m to 2m+1, the bottom
// field's three quarters of the way; each line interpolates linearly between
// the two chroma rows around it: lines 2j+1 and 2j+2 from c[j] and c[j+1], in
// eighths 5:3 and 1:7 in the top field, 7:1 and 3:5 in the bottom one. The
// first and the last line of a field lie beyond its outer chroma rows, and
// take them whole. Progressive, row r of the picture and chroma row k: k lies
// between rows 2k and 2k+1, and rows 2j+1 and 2j+2 take c[j] and c[j+1] 3:1
// and 1:3 (6:2 and 2:6 in eighths). Rows past a clipped output are not
// written, but the chroma rows beyond it are read where a row within needs
// them.
void unfold_frame(RowGroupFunction kernel, RowGroupFunction plain, const FrameLayout& f)
{
    const bool interlaced = f.scan == CHROMAFOLD_SCAN_INTERLACED;
    const int32_t taken = std::min(f.src_height, f.dst_height); // rows with source data, a multiple of 4
    // Each run of lines (a field, or the picture): line l is frame row
    // l * step + run, chroma row c frame chroma row c * step + run.
    const int32_t step = interlaced ? 2 : 1;
    const int32_t lines = f.src_height / step, chroma_rows = lines / 2;
    const int32_t weights[2] = {interlaced ? 5 : 6, interlaced ? 7 : 6};
    // Lines `line` and `line` + 1 of a run from its chroma rows a and b; a
    // line past the output is not written, nor its luma read. A line alone
    // is the pair's both lines.
    const auto pair_of = [&](int32_t run, int32_t line, int32_t a, int32_t b, int32_t weight, bool alone) {
        const int32_t row = line * step + run, next = alone ? row : row + step;
        RowPair pair{{full_row(f.dst, f.output, row)}, {rows_of(f.src, f.source, row, a * step + run)}, weight};
        if (next < taken) {
            pair.full[1] = full_row(f.dst, f.output, next);
            pair.half[1] = rows_of(f.src, f.source, next, b * step + run);
        } else {
            pair.half[1] = rows_of(f.src, f.source, -1, b * step + run);
        }
        return pair;
    };
    // Groups of two pairs, lines 2j+1 and 2j+2 from chroma rows j and j+1:
    // the two fields' pairs j, or the picture's pairs 2j and 2j+1 (its last
    // pair alone where their count is odd, the group taking it twice). Each
    // group lies four rows and two chroma rows below the one before.
    const int32_t pairs_of_run = chroma_rows - 1;
    const int32_t regular = interlaced ? pairs_of_run : pairs_of_run / 2;
    const int32_t groups = interlaced ? pairs_of_run : (pairs_of_run + 1) / 2;
    const auto group = [&](int32_t g, int32_t count) {
        RowGroups run{{}, {}, {}, count, f.min_width};
        for (int32_t k = 0; k < 2; ++k) {
            const int32_t j = interlaced ? g : std::min(2 * g + k, pairs_of_run - 1);
            run.first[k] = pair_of(interlaced ? k : 0, 2 * j + 1, j, j + 1, weights[k], false);
        }
        for (int32_t p = 0; p < 3; ++p) {
            run.full_step[p] = 4 * f.dst.stride[p];
            run.half_step[p] = (p == 0 ? 4 : 2) * f.src.stride[p];
        }
        return run;
    };
    // The last row of group g, and its first.
    const auto last_row = [&](int32_t g) {
        return interlaced ? 4 * g + 5 : 2 * std::min(2 * g + 1, pairs_of_run - 1) + 2;
    };
    int32_t whole = 0;
    while (whole < regular && last_row(whole) < taken)
        ++whole;
    if (whole > 0)
        kernel(group(0, whole));
    for (int32_t g = whole; g < groups && (interlaced ? 4 * g + 2 : 4 * g + 1) < taken; ++g)
        (last_row(g) < taken ? kernel : plain)(group(g, 1));
    // The first and the last line of each run lie beyond its outer chroma
    // rows, and take them whole.
    for (int32_t line : {0, lines - 1}) {
        const int32_t c = line ? chroma_rows - 1 : 0;
        if (line * step + step - 1 < taken)
            kernel({{pair_of(0, line, c, c, weights[0], true), pair_of(interlaced ? 1 : 0, line, c, c, weights[1], true)},
                    {}, {}, 1, f.min_width});
    }
    for (int32_t row = 0; row < taken; ++row)
        if (f.min_width < f.dst_width || f.output.layout == Layout::v210)
            complete_row(f.output, full_row(f.dst, f.output, row), f.min_width, f.dst_width);
    fill_rows_below(f, taken, taken);
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
    const int32_t pair = pair_index(frame.source.code, frame.output.code);
    (unfolds(pairs[pair]) ? unfold_frame : fold_frame)(kernel, plain_kernel(pair), frame);
}
