// Converts one padded frame with the installed library and checks a sample of
// each plane: luma copied, chroma of the top and the bottom field, padding.
#include <chromafold/convert.h>

#include <cstdio>
#include <vector>

int main()
{
    const FrameGeometry g = frame_geometry(Settings{20, 35, mode_padding});
    if (g.dst_width != 32 || g.dst_height != 64 || g.dst_bytes != 32 * 64 * 3 / 2)
        return std::puts("wrong geometry"), 1;
    // U = 0 in even rows and 255 in odd ones, V = 255 - U, luma = column.
    std::vector<uint8_t> src(g.src_bytes);
    for (int row = 0; row < g.src_height; ++row)
        for (int x = 0; x < g.src_width; x += 2) {
            uint8_t* quad = &src[size_t(row) * 40 + size_t(x) * 2];
            quad[0] = row % 2 ? 255 : 0;
            quad[1] = uint8_t(x);
            quad[2] = uint8_t(255 - quad[0]);
            quad[3] = uint8_t(x + 1);
        }
    std::vector<uint8_t> dst(g.dst_bytes);
    convert_frame(dst.data(), src.data(), g.src_width, g.src_height, g.dst_width, g.dst_height);
    const uint8_t* u = dst.data() + 32 * 64;
    const uint8_t* v = u + 16 * 32;
    // Each field alone: U stays 0 in top-field chroma rows and 255 in bottom ones.
    const bool right = dst[5] == 5 && dst[19] == 19 && dst[20] == 16 && u[0] == 0 && u[16] == 255 &&
                       v[0] == 255 && u[10] == 128 && dst[size_t(63) * 32] == 16;
    std::puts(right ? "converted a frame with chromafold::convert" : "wrong conversion");
    return right ? 0 : 1;
}
