// Calls of the C interface from fuzz input. The first twelve bytes choose the
// settings (widths 0 to 300, heights 0 to 300, modes 0 to 3), how far each
// plane's stride lies from its row length (-8 to +23 bytes), and a change to
// one field of the geometry; the rest are the pixels. The planes lie one after
// another in one guarded block. An accepted call must give the per-sample
// model's bytes in every row and leave every other byte of the block as it
// was; a refused one must leave the whole block and the geometry as they were;
// and a call with valid settings, strides and geometry must be accepted.

#include <chromafold/chromafold.h>
#include "tests/frame_model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr size_t guard = 64;

struct PlaneAt {
    size_t offset;    // from the start of the block
    ptrdiff_t stride;
    ptrdiff_t length; // bytes per row
    int32_t rows;
};

// Where the plane lies in the block: the span of all its strides, or of its
// rows back to back when its stride is shorter than a row.
size_t span(const PlaneAt& p)
{
    const ptrdiff_t step = std::max(p.stride, p.length);
    return size_t(step) * size_t(p.rows);
}

void apply_change(chromafold_geometry& g, uint8_t change)
{
    const int delta = (change >> 3) % 16 + 1;
    switch (change & 7) {
    case 1: g.src_width += change & 0x80 ? -delta : delta; break;
    case 2: g.src_height += change & 0x80 ? -delta : delta; break;
    case 3: g.dst_width += change & 0x80 ? -16 : 16; break;
    case 4: g.dst_height += change & 0x80 ? -32 : 32; break;
    case 5: g.src_bytes += change & 0x80 ? uint64_t(-1) : 1; break;
    case 6: g.dst_bytes += change & 0x80 ? uint64_t(-1) : 1; break;
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
    const ptrdiff_t extra[4] = {data[5] % 32 - 8, data[6] % 32 - 8, data[7] % 32 - 8,
                                data[8] % 32 - 8};
    const uint8_t change = data[9];
    const uint8_t fill = uint8_t(data[10] ^ 0x5A);
    const bool null_plane = data[11] == 0xFF;
    const uint8_t* pixels = data + 12;
    const size_t pixel_count = size - 12;

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
    apply_change(g, change);
    const bool unchanged = std::memcmp(&g, &exact, sizeof g) == 0;

    // The source: exact.src_height rows of pixels, repeated to fill them.
    const ptrdiff_t src_row = 2 * ptrdiff_t(exact.src_width);
    const ptrdiff_t src_stride = src_row + extra[0];
    std::vector<uint8_t> frame(exact.src_bytes);
    for (size_t i = 0; i < frame.size() && pixel_count > 0; ++i)
        frame[i] = pixels[i % pixel_count];
    // In a block of its exact size, so that AddressSanitizer sees any read past it.
    const size_t src_size = size_t(std::max(src_stride, src_row)) * size_t(exact.src_height - 1) +
                            size_t(src_row);
    std::unique_ptr<uint8_t[]> src(new uint8_t[src_size]());
    for (int32_t r = 0; r < exact.src_height; ++r)
        std::memcpy(src.get() + r * std::max(src_stride, src_row), &frame[size_t(r * src_row)],
                    size_t(src_row));

    const ptrdiff_t chroma = exact.dst_width / 2;
    PlaneAt planes[3] = {{guard, exact.dst_width + extra[1], exact.dst_width, exact.dst_height},
                         {0, chroma + extra[2], chroma, exact.dst_height / 2},
                         {0, chroma + extra[3], chroma, exact.dst_height / 2}};
    planes[1].offset = planes[0].offset + span(planes[0]) + guard;
    planes[2].offset = planes[1].offset + span(planes[1]) + guard;
    std::vector<uint8_t> block(planes[2].offset + span(planes[2]) + guard, fill);
    uint8_t* y = null_plane ? nullptr : block.data() + planes[0].offset;

    const int result = chromafold_convert_frame(
        &g, src.get(), src_stride, y, planes[0].stride, block.data() + planes[1].offset,
        planes[1].stride, block.data() + planes[2].offset, planes[2].stride);

    const bool valid_strides = src_stride >= src_row && extra[1] >= 0 && extra[2] >= 0 &&
                               extra[3] >= 0;
    if (result != 0) {
        if (result != -1 || (unchanged && valid_strides && !null_plane))
            std::abort();
        if (std::any_of(block.begin(), block.end(), [&](uint8_t b) { return b != fill; }))
            std::abort();
        return 0;
    }
    if (!unchanged || !valid_strides || null_plane)
        std::abort();

    // Accepted: every row as the model has it, every other byte untouched.
    const std::vector<uint8_t> want =
        model_frame(frame, exact.src_width, exact.src_height, exact.dst_width, exact.dst_height);
    std::vector<uint8_t> expected(block.size(), fill);
    size_t from = 0;
    for (const PlaneAt& p : planes) {
        for (int32_t r = 0; r < p.rows; ++r) {
            std::copy_n(want.begin() + ptrdiff_t(from), p.length,
                        expected.begin() + ptrdiff_t(p.offset) + r * p.stride);
            from += size_t(p.length);
        }
    }
    if (block != expected)
        std::abort();
    return 0;
}
