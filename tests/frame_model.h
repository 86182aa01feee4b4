#pragma once

#include <chromafold/chromafold.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The formats of chromafold_convert_planes, for tables of tests.
constexpr int32_t uyvy = CHROMAFOLD_FORMAT_UYVY, yuy2 = CHROMAFOLD_FORMAT_YUY2, v210 = CHROMAFOLD_FORMAT_V210,
                  i422 = CHROMAFOLD_FORMAT_I422, nv16 = CHROMAFOLD_FORMAT_NV16, i422_10 = CHROMAFOLD_FORMAT_I422_10,
                  p210 = CHROMAFOLD_FORMAT_P210, i420 = CHROMAFOLD_FORMAT_I420, nv12 = CHROMAFOLD_FORMAT_NV12,
                  i010 = CHROMAFOLD_FORMAT_I010, p010 = CHROMAFOLD_FORMAT_P010;
constexpr int32_t full_formats[] = {uyvy, yuy2, v210, i422, nv16, i422_10, p210};
constexpr int32_t half_formats[] = {i420, nv12, i010, p010};

// The rows and row bytes of plane p of a contiguous frame, 0 for a plane the
// format lacks; and the bytes of a row that hold its first `width` pixels.
int32_t model_planes(int32_t format);
size_t model_row_bytes(int32_t format, int plane, int32_t width);
int32_t model_rows(int32_t format, int plane, int32_t height);
size_t bytes_holding(int32_t format, int plane, int32_t width);
size_t frame_bytes(int32_t format, int32_t width, int32_t height);

// The output frame that a contiguous source frame must become, computed sample
// by sample from the definitions alone: which source samples feed which output
// sample, and how each is rounded. The rows of each plane back to back. It
// shares nothing with the code it checks.
std::vector<uint8_t> model_frame(int32_t source, int32_t output, int32_t scan, const std::vector<uint8_t>& src,
                                 const chromafold_geometry& g);

// The rows of each plane of a source frame that a conversion reads: the rows
// the output takes, and from a 4:2:0 source the chroma rows that the last of
// them interpolate from, even past a clipped output.
std::array<int32_t, 3> rows_read(int32_t source, int32_t scan, const chromafold_geometry& g);

// Random bytes from a seeded generator, reproducible from the seed alone.
std::vector<uint8_t> random_bytes(uint64_t seed, size_t count);

// A contiguous source frame with strides of its own: each plane in a block of
// its own, its rows `extra[p]` bytes further apart than they are long, the
// gaps holding 0xA5. Each block ends with the bytes that hold the first
// `width` pixels of row `rows[p]` - 1, so that AddressSanitizer sees a read of
// any row or column after them.
struct StridedSource {
    std::vector<uint8_t> block[3];
    ptrdiff_t stride[3];
    chromafold_source_planes planes() const;
};
StridedSource strided_source(int32_t format, const std::vector<uint8_t>& frame, int32_t frame_width,
                             int32_t frame_height, const int32_t rows[3], int32_t width, const ptrdiff_t extra[3]);

// The planes of one frame in one block, as encoders and capture cards lay them
// out, with guard bytes before, between and after them, all set to `fill`. The
// rows of plane p lie `extra[p]` bytes further apart than they are long (back
// to back when `extra[p]` is negative).
struct StridedPlanes {
    std::vector<uint8_t> block;
    uint8_t fill;
    int32_t count; // planes
    ptrdiff_t offset[3], stride[3], length[3];
    int32_t rows[3];
    uint8_t* start(int plane) { return block.data() + offset[plane]; }
    chromafold_planes planes()
    {
        chromafold_planes p{};
        for (int k = 0; k < count; ++k)
            p.data[k] = start(k), p.stride[k] = stride[k];
        return p;
    }
};
StridedPlanes strided_planes(int32_t format, int32_t width, int32_t height, const ptrdiff_t extra[3], uint8_t fill);

// Compares the block with what a conversion must leave there: the rows of the
// contiguous `frame` (model_frame's) in place, every other byte the fill.
// Returns an empty string, or where the first difference lies.
std::string check_planes(const StridedPlanes& planes, const std::vector<uint8_t>& frame);
