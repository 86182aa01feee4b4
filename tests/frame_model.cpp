#include "tests/frame_model.h"

#include <algorithm>
#include <cstring>
#include <random>

std::vector<uint8_t> model_frame(const std::vector<uint8_t>& src, int src_width, int src_height,
                                 int dst_width, int dst_height)
{
    // A source sample that does not exist stands for black luma and neutral chroma.
    auto sample = [&](int row, int byte, uint8_t missing) -> int {
        return row < src_height && byte < 2 * src_width ? src[size_t(row) * size_t(src_width) * 2 + size_t(byte)]
                                                        : missing;
    };
    std::vector<uint8_t> out;
    for (int row = 0; row < dst_height; ++row)
        for (int x = 0; x < dst_width; ++x)
            out.push_back(uint8_t(sample(row, 2 * x + 1, 16)));
    // U (byte 0 of a quad), then V (byte 2). Chroma row 2g is the top field,
    // from source rows 4g and 4g+2 weighted 3:1; chroma row 2g+1 the bottom
    // field, from rows 4g+1 and 4g+3 weighted 1:3; rounded halves up.
    for (int offset : {0, 2})
        for (int k = 0; k < dst_height / 2; ++k)
            for (int i = 0; i < dst_width / 2; ++i) {
                const int upper = sample(k % 2 ? 2 * k - 1 : 2 * k, 4 * i + offset, 128);
                const int lower = sample(k % 2 ? 2 * k + 1 : 2 * k + 2, 4 * i + offset, 128);
                out.push_back(uint8_t(((k % 2 ? upper + 3 * lower : 3 * upper + lower) + 2) / 4));
            }
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

std::vector<uint8_t> strided_source(const std::vector<uint8_t>& frame, int32_t width, int32_t height,
                                    ptrdiff_t stride)
{
    const ptrdiff_t row = 2 * ptrdiff_t(width), step = std::max(stride, row);
    std::vector<uint8_t> src(size_t(step * (height - 1) + row), 0xA5);
    for (int32_t r = 0; r < height; ++r)
        std::memcpy(src.data() + r * step, frame.data() + r * row, size_t(row));
    return src;
}

StridedPlanes strided_planes(int32_t dst_width, int32_t dst_height, const ptrdiff_t extra[3], uint8_t fill)
{
    constexpr ptrdiff_t guard = 32;
    StridedPlanes planes{};
    planes.fill = fill;
    ptrdiff_t end = 0;
    for (int p = 0; p < 3; ++p) {
        planes.length[p] = p == 0 ? dst_width : dst_width / 2;
        planes.rows[p] = p == 0 ? dst_height : dst_height / 2;
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
    const auto differ = std::mismatch(expected.begin(), expected.end(), planes.block.begin());
    if (differ.first == expected.end())
        return {};
    return "first differing byte " + std::to_string(differ.first - expected.begin()) + " of the block (planes from " +
           std::to_string(planes.offset[0]) + ", " + std::to_string(planes.offset[1]) + " and " +
           std::to_string(planes.offset[2]) + "): got " + std::to_string(*differ.second) + ", want " +
           std::to_string(*differ.first) + " (fill " + std::to_string(planes.fill) + ")";
}
