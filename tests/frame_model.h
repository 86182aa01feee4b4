#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The raw420 frame that a UYVY frame must become, computed sample by sample
// from the definitions alone: which source rows feed which output sample. It
// shares nothing with the row walk it checks.
std::vector<uint8_t> model_frame(const std::vector<uint8_t>& src, int src_width, int src_height,
                                 int dst_width, int dst_height);

// Random bytes from a seeded generator, reproducible from the seed alone.
std::vector<uint8_t> random_bytes(uint64_t seed, size_t count);

// The rows of a contiguous UYVY `frame` `stride` bytes apart (back to back when
// the stride is shorter than a row), the gaps holding 0xA5, in a block that
// ends with the last row, so that AddressSanitizer sees a read past it.
std::vector<uint8_t> strided_source(const std::vector<uint8_t>& frame, int32_t width, int32_t height,
                                    ptrdiff_t stride);

// The Y, U and V planes of one output frame in one block, as encoders and
// capture cards lay them out, with guard bytes before, between and after them,
// all set to `fill`. The rows of plane p lie `extra[p]` bytes further apart than
// they are long (back to back when `extra[p]` is negative).
struct StridedPlanes {
    std::vector<uint8_t> block;
    uint8_t fill;
    ptrdiff_t offset[3], stride[3], length[3];
    int32_t rows[3];
    uint8_t* start(int plane) { return block.data() + offset[plane]; }
};
StridedPlanes strided_planes(int32_t dst_width, int32_t dst_height, const ptrdiff_t extra[3], uint8_t fill);

// Compares the block with what a conversion must leave there: the rows of the
// contiguous raw420 `frame` in place, every other byte the fill. Returns an
// empty string, or where the first difference lies.
std::string check_planes(const StridedPlanes& planes, const std::vector<uint8_t>& frame);
