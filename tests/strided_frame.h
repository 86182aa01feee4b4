#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Frames laid out as capture cards and encoders lay them out: each row a stride
// apart, with bytes between rows that belong to nobody.

// The rows of a contiguous UYVY `frame` `stride` bytes apart, the gaps holding
// 0xA5, in a block that ends with the last row, so that AddressSanitizer sees a
// read past it. A stride shorter than a row lays the rows back to back.
std::vector<uint8_t> strided_source(const std::vector<uint8_t>& frame, int32_t width,
                                    int32_t height, ptrdiff_t stride);

// The Y, U and V planes of one output frame, one after another in one block,
// with guard bytes before, between and after them, all set to `fill`. The
// rows of plane p lie `stride[p]` apart, `extra` bytes more than their length;
// a negative `extra` gives a stride shorter than a row, whose rows are then
// placed back to back.
struct StridedPlanes {
    std::vector<uint8_t> block;
    uint8_t fill;
    ptrdiff_t offset[3], stride[3], length[3];
    int32_t rows[3];
};

StridedPlanes strided_planes(int32_t dst_width, int32_t dst_height, const ptrdiff_t extra[3],
                             uint8_t fill);

inline uint8_t* plane_start(StridedPlanes& planes, int plane)
{
    return planes.block.data() + planes.offset[plane];
}

// Compares the block with what a conversion must leave there: the rows of the
// contiguous raw420 `frame` in place, every other byte the fill. Returns an
// empty string, or where the first difference lies.
std::string check_planes(const StridedPlanes& planes, const std::vector<uint8_t>& frame);
