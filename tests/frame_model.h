#pragma once

#include <chromafold/chromafold.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Bytes of one contiguous source row, and the bytes of a row that hold pixels
// 0 to width - 1 (of v210, whole groups of six pixels).
size_t row_bytes(int32_t source, int32_t width);
size_t bytes_holding(int32_t source, int32_t width);

// The output frame that a contiguous source frame must become, computed sample
// by sample from the definitions alone: which source samples feed which output
// sample, and how each is rounded. The rows of each plane back to back: Y,
// then U and V, or the UV pairs. It shares nothing with the code it checks.
std::vector<uint8_t> model_frame(int32_t source, int32_t output, const std::vector<uint8_t>& src,
                                 const chromafold_geometry& g);

// Random bytes from a seeded generator, reproducible from the seed alone.
std::vector<uint8_t> random_bytes(uint64_t seed, size_t count);

// The first `rows` rows of a contiguous source `frame` `stride` bytes apart
// (back to back when the stride is shorter), the gaps holding 0xA5, in a
// block that ends with the bytes of the last row that hold its first `width`
// pixels, so that AddressSanitizer sees a read of anything else.
std::vector<uint8_t> strided_source(int32_t source, const std::vector<uint8_t>& frame, int32_t frame_width,
                                    int32_t rows, int32_t width, ptrdiff_t stride);

// The planes of one output frame in one block, as encoders and capture cards
// lay them out, with guard bytes before, between and after them, all set to
// `fill`. The rows of plane p lie `extra[p]` bytes further apart than they are
// long (back to back when `extra[p]` is negative).
struct StridedPlanes {
    std::vector<uint8_t> block;
    uint8_t fill;
    bool pairs; // U and V share the second plane: there is no third
    ptrdiff_t offset[3], stride[3], length[3];
    int32_t rows[3];
    uint8_t* start(int plane) { return block.data() + offset[plane]; }
    chromafold_planes planes()
    {
        return {{start(0), start(1), pairs ? nullptr : start(2)}, {stride[0], stride[1], stride[2]}};
    }
};
StridedPlanes strided_planes(int32_t output, int32_t dst_width, int32_t dst_height, const ptrdiff_t extra[3],
                             uint8_t fill);

// Compares the block with what a conversion must leave there: the rows of the
// contiguous `frame` (model_frame's) in place, every other byte the fill.
// Returns an empty string, or where the first difference lies.
std::string check_planes(const StridedPlanes& planes, const std::vector<uint8_t>& frame);
