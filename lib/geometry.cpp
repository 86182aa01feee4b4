#include "lib/geometry.h"

chromafold_geometry frame_geometry(int32_t width, int32_t height, int32_t mode)
{
    chromafold_geometry g{};
    g.src_width = width;
    g.src_height = height;
    if (mode == CHROMAFOLD_MODE_PADDING) {
        g.dst_width = (width + 15) / 16 * 16;
        g.dst_height = (height + 31) / 32 * 32;
    } else if (mode == CHROMAFOLD_MODE_KEEP) {
        // Each field keeps whole pairs of chroma rows.
        g.dst_width = width;
        g.dst_height = height / 4 * 4;
    } else {
        g.dst_width = width / 16 * 16;
        g.dst_height = height / 32 * 32;
    }
    g.src_bytes = uint64_t(g.src_width) * uint64_t(g.src_height) * 2;
    g.dst_bytes = uint64_t(g.dst_width) * uint64_t(g.dst_height) * 3 / 2;
    return g;
}
