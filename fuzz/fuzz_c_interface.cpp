// Calls of the C interface from fuzz input. The first fourteen bytes choose
// the settings (widths 0 to 300, heights 0 to 300, modes 0 to 3, scans 0 to
// 3), the source and output formats (every pair both ways, and unknown codes
// and pairs not converted among them), how far each stride lies from its
// row's length (-8 to +23 bytes), a change to one field of the geometry, the
// fill of the output block and a null plane; the rest are the pixels. An
// accepted call must give the per-sample model's bytes in every row and leave
// every other byte of the block as it was; a refused one must leave the whole
// block and the geometry as they were; and a call with valid settings,
// formats, strides and geometry must be accepted. Every rung of kernels this
// processor runs must then give the accepted call's bytes.

#include <chromafold/chromafold.h>
#include "lib/frame_walk.h"
#include "lib/kernel_ladder.h"
#include "tests/frame_model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Codes are appended, never inserted, so that the seeds keep their meaning.
constexpr int32_t sources[] = {uyvy, yuy2, v210, i422, nv16, i422_10, p210, i420, CHROMAFOLD_SOURCE_YUY2, 23, nv12, i010, p010};
constexpr int32_t outputs[] = {i420, nv12, i010, p010, uyvy, CHROMAFOLD_OUTPUT_NV12, yuy2, v210, i422, nv16, i422_10, p210};


void change_geometry(chromafold_geometry& g, uint8_t change)
{
    const int delta = (change >> 3) % 16 + 1;
    const bool down = change & 0x80;
    switch (change & 7) {
    case 1: g.src_width += down ? -delta : delta; break;
    case 2: g.src_height += down ? -delta : delta; break;
    case 3: g.dst_width += down ? -16 : 16; break;
    case 4: g.dst_height += down ? -32 : 32; break;
    case 5: g.src_bytes += down ? uint64_t(-1) : 1; break;
    case 6: g.dst_bytes += down ? uint64_t(-1) : 1; break;
    default: break; // unchanged
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    constexpr size_t header = 14;
    if (size < header)
        return 0;
    const int32_t width = int32_t(2 * ((data[0] | data[1] << 8) % 151));
    const int32_t height = int32_t((data[2] | data[3] << 8) % 301);
    const int32_t mode = int32_t(data[4] & 3), scan = int32_t(data[4] >> 2 & 3);
    const int32_t source = sources[data[5] % std::size(sources)], output = outputs[data[6] % std::size(outputs)];
    const ptrdiff_t src_extra[3] = {data[7] % 32 - 8, data[7] % 32 - 8, data[7] % 32 - 8};
    const ptrdiff_t extra[3] = {data[8] % 32 - 8, data[9] % 32 - 8, data[10] % 32 - 8};
    const uint8_t fill = uint8_t(data[12] ^ 0x5A);
    const int null_plane = data[13] >= 0xF8 ? data[13] - 0xF8 : -1; // 0-2 output, 3-5 source
    const bool from_half = std::ranges::count(half_formats, source) > 0;
    const bool converted = (from_half && std::ranges::count(full_formats, output) > 0) ||
                           (std::ranges::count(full_formats, source) > 0 && std::ranges::count(half_formats, output) > 0);

    chromafold_geometry g;
    std::memset(&g, fill, sizeof g);
    const chromafold_geometry before = g;
    const bool valid_settings = width > 0 && height > 0 && mode < 3;
    if (chromafold_frame_geometry(width, height, mode, &g) != (valid_settings ? 0 : -1))
        std::abort();
    if (!valid_settings) {
        if (std::memcmp(&g, &before, sizeof g) != 0)
            std::abort();
        return 0;
    }
    const chromafold_geometry exact = g;
    change_geometry(g, data[11]);
    const bool unchanged = std::memcmp(&g, &exact, sizeof g) == 0;

    // The pixels, repeated to fill the source frame.
    const int32_t frame_format = converted ? source : uyvy;
    std::vector<uint8_t> frame(frame_bytes(frame_format, exact.src_width, exact.src_height));
    for (size_t i = 0; i < frame.size() && size > header; ++i)
        frame[i] = data[header + i % (size - header)];
    const std::array<int32_t, 3> rows = rows_read(frame_format, std::min(scan, 1), exact);
    const StridedSource src = strided_source(frame_format, frame, exact.src_width, exact.src_height, rows.data(),
                                             std::min(exact.src_width, exact.dst_width), src_extra);
    StridedPlanes p = strided_planes(converted ? output : i420, exact.dst_width, exact.dst_height, extra, fill);
    chromafold_planes planes = p.planes();
    chromafold_source_planes source_planes = src.planes();
    for (int k = 0; k < model_planes(frame_format); ++k)
        source_planes.stride[k] = ptrdiff_t(model_row_bytes(frame_format, k, exact.src_width)) + src_extra[k];
    if (null_plane >= 0 && null_plane < 3)
        planes.data[null_plane] = nullptr;
    if (null_plane >= 3 && null_plane < 6)
        source_planes.data[null_plane - 3] = nullptr;

    const int result = chromafold_convert_planes(&g, scan, source, &source_planes, output, &planes);

    bool valid_strides = true, used_plane_null = false;
    for (int k = 0; k < 3; ++k) {
        valid_strides = valid_strides && (k >= model_planes(frame_format) || src_extra[k] >= 0) &&
                        (k >= p.count || extra[k] >= 0);
        used_plane_null = used_plane_null || (k < p.count && !planes.data[k]) ||
                          (k < model_planes(frame_format) && !source_planes.data[k]);
    }
    // A 4:2:0 source's fields hold whole pairs of chroma rows.
    const bool whole_fields = !from_half || exact.src_height % 4 == 0;
    const bool valid = converted && unchanged && scan < 2 && valid_strides && !used_plane_null && whole_fields;
    if (result != 0) {
        const bool untouched = std::all_of(p.block.begin(), p.block.end(), [&](uint8_t b) { return b == fill; });
        if (result != -1 || !untouched || valid)
            std::abort();
        return 0;
    }
    if (!valid || !check_planes(p, model_frame(source, output, scan, frame, exact)).empty())
        std::abort();
    const KernelLadder ladder = kernel_ladder();
    for (int k = 0; k < ladder.count; ++k) {
        StridedPlanes q = strided_planes(output, exact.dst_width, exact.dst_height, extra, fill);
        const RowGroupFunction kernel =
            best_kernel(kernel_ladder(ladder.rungs[k].instruction_set), pair_index(source, output));
        convert_frame_with(kernel, frame_layout(exact, scan, source, source_planes, output, q.planes()));
        if (q.block != p.block)
            std::abort();
    }
    return 0;
}
