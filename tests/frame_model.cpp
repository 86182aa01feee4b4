#include "tests/frame_model.h"

#include <random>

std::vector<uint8_t> model_frame(const std::vector<uint8_t>& src, int src_width, int src_height,
                                 int dst_width, int dst_height)
{
    const int chroma_width = dst_width / 2;
    const int chroma_height = dst_height / 2;
    // A source row that does not exist stands for black luma and neutral chroma.
    auto chroma = [&](int row, int i, int offset) -> int {
        if (row >= src_height || i >= src_width / 2)
            return 128;
        return src[size_t(row) * size_t(src_width) * 2 + 4 * size_t(i) + size_t(offset)];
    };

    std::vector<uint8_t> out;
    out.reserve(size_t(dst_width) * size_t(dst_height) * 3 / 2);
    for (int row = 0; row < dst_height; ++row)
        for (int x = 0; x < dst_width; ++x)
            out.push_back(row < src_height && x < src_width
                              ? src[size_t(row) * size_t(src_width) * 2 + 2 * size_t(x) + 1]
                              : 16);
    // U (offset 0 in a quad), then V (offset 2). Chroma row 2g is the top field,
    // from source rows 4g and 4g+2 weighted 3:1; chroma row 2g+1 the bottom
    // field, from rows 4g+1 and 4g+3 weighted 1:3.
    for (int offset : {0, 2}) {
        for (int k = 0; k < chroma_height; ++k) {
            for (int i = 0; i < chroma_width; ++i) {
                int sum;
                if (k % 2 == 0)
                    sum = 3 * chroma(2 * k, i, offset) + chroma(2 * k + 2, i, offset);
                else
                    sum = chroma(2 * k - 1, i, offset) + 3 * chroma(2 * k + 1, i, offset);
                out.push_back(uint8_t((sum + 2) / 4));
            }
        }
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
