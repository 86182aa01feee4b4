// Calls of the C interface from fuzz input. The first twelve bytes choose the
// settings (widths 0 to 300, heights 0 to 300, modes 0 to 3), the source and
// output formats (a pair not converted among them), how far each stride lies
// from its row's length (-8 to +23 bytes), a change to one field of the
// geometry, the fill of the output block and a null luma plane; the rest are
// the pixels. An accepted call must give the per-sample model's bytes in every
// row and leave every other byte of the block as it was; a refused one must
// leave the whole block and the geometry as they were; and a call with valid
// settings, formats, strides and geometry must be accepted.

#include <chromafold/chromafold.h>
#include "tests/frame_model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

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
    if (size < 12)
        return 0;
    const int32_t width = int32_t(2 * ((data[0] | data[1] << 8) % 151));
    const int32_t height = int32_t((data[2] | data[3] << 8) % 301);
    const int32_t mode = int32_t(data[4] & 3);
    const int32_t source = int32_t(data[4] >> 2 & 3), output = int32_t(data[4] >> 4 & 3);
    const ptrdiff_t src_extra = data[5] % 32 - 8;
    const ptrdiff_t extra[3] = {data[6] % 32 - 8, data[7] % 32 - 8, data[8] % 32 - 8};
    const uint8_t fill = uint8_t(data[10] ^ 0x5A);
    const bool null_luma = data[11] == 0xFF;
    const bool converted = source < 3 && (source == CHROMAFOLD_SOURCE_V210 || output < 2);

    chromafold_geometry g;
    std::memset(&g, fill, sizeof g);
    const chromafold_geometry before = g;
    const bool valid_settings = width > 0 && height > 0 && mode < 2;
    if (chromafold_frame_geometry(width, height, mode, &g) != (valid_settings ? 0 : -1))
        std::abort();
    if (!valid_settings) {
        if (std::memcmp(&g, &before, sizeof g) != 0)
            std::abort();
        return 0;
    }
    const chromafold_geometry exact = g;
    change_geometry(g, data[9]);
    const bool unchanged = std::memcmp(&g, &exact, sizeof g) == 0;

    // The pixels, repeated to fill the source frame.
    const size_t row = row_bytes(source, exact.src_width);
    std::vector<uint8_t> frame(row * size_t(exact.src_height));
    for (size_t i = 0; i < frame.size() && size > 12; ++i)
        frame[i] = data[12 + i % (size - 12)];
    const ptrdiff_t src_stride = ptrdiff_t(row) + src_extra;
    const std::vector<uint8_t> src =
        strided_source(source, frame, exact.src_width, std::min(exact.src_height, exact.dst_height),
                       std::min(exact.src_width, exact.dst_width), src_stride);
    StridedPlanes p = strided_planes(output, exact.dst_width, exact.dst_height, extra, fill);
    chromafold_planes planes = p.planes();
    if (null_luma)
        planes.data[0] = nullptr;

    const int result = chromafold_convert(&g, source, src.data(), src_stride, output, &planes);

    const bool valid_strides = src_extra >= 0 && extra[0] >= 0 && extra[1] >= 0 && (extra[2] >= 0 || p.pairs);
    if (result != 0) {
        const bool untouched = std::all_of(p.block.begin(), p.block.end(), [&](uint8_t b) { return b == fill; });
        if (result != -1 || !untouched || (converted && unchanged && valid_strides && !null_luma))
            std::abort();
        return 0;
    }
    if (!converted || !unchanged || !valid_strides || null_luma)
        std::abort();
    if (!check_planes(p, model_frame(source, output, frame, exact)).empty())
        std::abort();
    return 0;
}
