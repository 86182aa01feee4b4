#pragma once

#include "convert/convert.h"

#include <cstdint>

struct FrameGeometry {
    int32_t src_width;
    int32_t src_height;
    int32_t dst_width;
    int32_t dst_height;
    uint64_t src_bytes; // one UYVY frame: src_width * src_height * 2
    uint64_t dst_bytes; // one raw420 frame: dst_width * dst_height * 3 / 2
};

// The output size for validated settings: both dimensions rounded down (clip)
// or up (padding) to multiples of 16 and 32.
FrameGeometry frame_geometry(const Settings& settings);
