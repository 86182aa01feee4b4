#include "tests/strided_frame.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr ptrdiff_t guard = 32;

} // namespace

std::vector<uint8_t> strided_source(const std::vector<uint8_t>& frame, int32_t width,
                                    int32_t height, ptrdiff_t stride)
{
    const ptrdiff_t row = 2 * ptrdiff_t(width);
    const ptrdiff_t step = std::max(stride, row);
    std::vector<uint8_t> src(size_t(step * (height - 1) + row), 0xA5);
    for (int32_t r = 0; r < height; ++r)
        std::memcpy(src.data() + r * step, frame.data() + r * row, size_t(row));
    return src;
}

StridedPlanes strided_planes(int32_t dst_width, int32_t dst_height, const ptrdiff_t extra[3],
                             uint8_t fill)
{
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
    for (int p = 0; p < 3; ++p) {
        for (int32_t r = 0; r < planes.rows[p]; ++r) {
            std::copy_n(frame.data() + from, planes.length[p],
                        expected.data() + planes.offset[p] + r * planes.stride[p]);
            from += size_t(planes.length[p]);
        }
    }
    const auto differ = std::mismatch(expected.begin(), expected.end(), planes.block.begin());
    if (differ.first == expected.end())
        return {};
    return "first differing byte " + std::to_string(differ.first - expected.begin()) +
           " of the block (planes from " + std::to_string(planes.offset[0]) + ", " +
           std::to_string(planes.offset[1]) + " and " + std::to_string(planes.offset[2]) +
           "): got " + std::to_string(*differ.second) + ", want " + std::to_string(*differ.first) +
           " (fill " + std::to_string(planes.fill) + ")";
}
