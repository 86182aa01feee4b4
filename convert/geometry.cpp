#include <chromafold/convert.h>

FrameGeometry frame_geometry(const Settings& settings)
{
    FrameGeometry geometry{};
    geometry.src_width = settings.width;
    geometry.src_height = settings.height;
    if (settings.mode == mode_padding) {
        geometry.dst_width = (settings.width + 15) / 16 * 16;
        geometry.dst_height = (settings.height + 31) / 32 * 32;
    } else {
        geometry.dst_width = settings.width / 16 * 16;
        geometry.dst_height = settings.height / 32 * 32;
    }
    geometry.src_bytes = uint64_t(geometry.src_width) * uint64_t(geometry.src_height) * 2;
    geometry.dst_bytes = uint64_t(geometry.dst_width) * uint64_t(geometry.dst_height) * 3 / 2;
    return geometry;
}
