#include "tests/frame_model.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {

// Luma of pixel x (c < 0), or chroma c (0: Cb, 1: Cr) of the pair holding
// pixel x, in a row of a contiguous source frame.
int sample(int32_t source, const uint8_t* row, int x, int c)
{
    if (source == CHROMAFOLD_SOURCE_UYVY) // U Y0 V Y1
        return c < 0 ? row[2 * x + 1] : row[x / 2 * 4 + 2 * c];
    if (source == CHROMAFOLD_SOURCE_YUY2) // Y0 U Y1 V
        return c < 0 ? row[2 * x] : row[x / 2 * 4 + 1 + 2 * c];
    // A v210 group of six pixels holds, in this order, Cb0 Y0 Cr0 Y1 Cb1 Y2 Cr1
    // Y3 Cb2 Y4 Cr2 Y5, three to a little-endian word in bits 0-9, 10-19 and
    // 20-29.
    const int k = x % 6, n = c < 0 ? 2 * k + 1 : k / 2 * 4 + 2 * c;
    const uint8_t* word = row + x / 6 * 16 + n / 3 * 4;
    const uint32_t bits = word[0] | word[1] << 8 | word[2] << 16 | uint32_t(word[3]) << 24;
    return int(bits >> (10 * (n % 3)) & 1023);
}

} // namespace

size_t row_bytes(int32_t source, int32_t width)
{
    return source == CHROMAFOLD_SOURCE_V210 ? size_t(width + 47) / 48 * 128 : 2 * size_t(width);
}

size_t bytes_holding(int32_t source, int32_t width)
{
    return source == CHROMAFOLD_SOURCE_V210 ? size_t(width + 5) / 6 * 16 : 2 * size_t(width);
}

std::vector<uint8_t> model_frame(int32_t source, int32_t output, const std::vector<uint8_t>& src,
                                 const chromafold_geometry& g)
{
    const bool deep_source = source == CHROMAFOLD_SOURCE_V210;
    const bool deep_output = output == CHROMAFOLD_OUTPUT_I010 || output == CHROMAFOLD_OUTPUT_P010;
    const bool pairs = output == CHROMAFOLD_OUTPUT_NV12 || output == CHROMAFOLD_OUTPUT_P010;
    std::vector<uint8_t> out;
    const auto put = [&](int value) {
        const int word = output == CHROMAFOLD_OUTPUT_P010 ? value << 6 : value;
        out.push_back(uint8_t(word));
        if (deep_output)
            out.push_back(uint8_t(word >> 8));
    };
    // A chroma sample that does not exist is neutral.
    const auto at = [&](int row, int x, int c) -> int {
        if (row >= g.src_height || x >= g.src_width)
            return deep_source ? 512 : 128;
        return sample(source, src.data() + size_t(row) * row_bytes(source, g.src_width), x, c);
    };
    for (int row = 0; row < g.dst_height; ++row)
        for (int x = 0; x < g.dst_width; ++x)
            put(row >= g.src_height || x >= g.src_width ? (deep_output ? 64 : 16)
                : deep_source && !deep_output         ? std::min(255, (at(row, x, -1) + 2) >> 2)
                                                      : at(row, x, -1));
    // Chroma row 2g is the top field, from source rows 4g and 4g+2 weighted
    // 3:1; chroma row 2g+1 the bottom field, from rows 4g+1 and 4g+3 weighted
    // 1:3; rounded once, halves up.
    const auto chroma = [&](int k, int i, int c) {
        const int sum = k % 2 ? at(2 * k - 1, 2 * i, c) + 3 * at(2 * k + 1, 2 * i, c)
                              : 3 * at(2 * k, 2 * i, c) + at(2 * k + 2, 2 * i, c);
        put(deep_source && !deep_output ? std::min(255, (sum + 8) >> 4) : (sum + 2) >> 2);
    };
    for (int plane = 0; plane < (pairs ? 1 : 2); ++plane)
        for (int k = 0; k < g.dst_height / 2; ++k)
            for (int i = 0; i < g.dst_width / 2; ++i)
                for (int c = pairs ? 0 : plane; c <= (pairs ? 1 : plane); ++c)
                    chroma(k, i, c);
    return out;
}

std::vector<uint8_t> random_bytes(uint64_t seed, size_t count)
{
    std::mt19937_64 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& byte : bytes)
        byte = uint8_t(generator());
    return bytes;
}

std::vector<uint8_t> strided_source(int32_t source, const std::vector<uint8_t>& frame, int32_t frame_width,
                                    int32_t rows, int32_t width, ptrdiff_t stride)
{
    const ptrdiff_t row = ptrdiff_t(row_bytes(source, frame_width)), step = std::max(stride, row);
    // A source of no rows is still somewhere.
    std::vector<uint8_t> src(rows ? size_t(step * (rows - 1)) + bytes_holding(source, width) : 1, 0xA5);
    for (int32_t r = 0; r < rows; ++r)
        std::memcpy(src.data() + r * step, frame.data() + r * row, size_t(r + 1 < rows ? row : src.size() - r * step));
    return src;
}

StridedPlanes strided_planes(int32_t output, int32_t dst_width, int32_t dst_height, const ptrdiff_t extra[3],
                             uint8_t fill)
{
    constexpr ptrdiff_t guard = 32;
    const ptrdiff_t bytes = output == CHROMAFOLD_OUTPUT_I010 || output == CHROMAFOLD_OUTPUT_P010 ? 2 : 1;
    const bool pairs = output == CHROMAFOLD_OUTPUT_NV12 || output == CHROMAFOLD_OUTPUT_P010;
    StridedPlanes planes{};
    planes.fill = fill;
    planes.pairs = pairs;
    ptrdiff_t end = 0;
    for (int p = 0; p < 3; ++p) {
        planes.length[p] = (p == 0 || pairs ? dst_width : dst_width / 2) * bytes;
        planes.rows[p] = p == 0 ? dst_height : p == 2 && pairs ? 0 : dst_height / 2;
        planes.stride[p] = planes.length[p] + extra[p];
        planes.offset[p] = end + guard;
        end = planes.offset[p] + std::max(planes.stride[p], planes.length[p]) * planes.rows[p];
    }
    planes.block.assign(size_t(end + guard), fill);
    return planes;
}

std::string check_planes(const StridedPlanes& planes, const std::vector<uint8_t>& frame)
{
    std::vector<uint8_t> expected(planes.block.size(), planes.fill);
    size_t from = 0;
    for (int p = 0; p < 3; ++p)
        for (int32_t r = 0; r < planes.rows[p]; ++r, from += size_t(planes.length[p]))
            std::copy_n(frame.data() + from, planes.length[p], expected.data() + planes.offset[p] + r * planes.stride[p]);
    if (from != frame.size())
        return "the planes hold " + std::to_string(from) + " bytes, the frame " + std::to_string(frame.size());
    const auto differ = std::mismatch(expected.begin(), expected.end(), planes.block.begin());
    const ptrdiff_t at = differ.first - expected.begin();
    return at == ptrdiff_t(expected.size()) ? "" : "byte " + std::to_string(at) + " of the block (planes from " +
        std::to_string(planes.offset[1]) + " and " + std::to_string(planes.offset[2]) + " on): got " +
        std::to_string(*differ.second) + ", want " + std::to_string(*differ.first);
}
