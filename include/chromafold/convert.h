#pragma once

// The chromafold frame converter: one packed UYVY 4:2:2 frame into one planar
// 4:2:0 frame, with the chroma filtered vertically within each interlaced
// field, never across fields.

#include <cstdint>

// The settings of a conversion. Widths are pixels per source row and must be
// even, 0 to 32768; heights are rows per source frame, 0 to 32768.
struct Settings {
    int32_t width;
    int32_t height;
    int32_t mode;
};

// Output frames are aligned to 16 pixels across and 32 rows down: `mode_clip`
// drops what lies beyond, `mode_padding` grows the frame with black luma (16)
// and neutral chroma (128).
constexpr int32_t mode_clip = 0;
constexpr int32_t mode_padding = 1;

struct FrameGeometry {
    int32_t src_width;
    int32_t src_height;
    int32_t dst_width;
    int32_t dst_height;
    uint64_t src_bytes; // one UYVY frame: src_width * src_height * 2
    uint64_t dst_bytes; // one raw420 frame: dst_width * dst_height * 3 / 2
};

// The frame sizes for valid settings: the output rounded down (clip) or up
// (padding) to a multiple of 16 pixels and 32 rows.
FrameGeometry frame_geometry(const Settings& settings);

// Converts one UYVY frame of src_width x src_height (src_bytes) into one
// raw420 frame of dst_width x dst_height (dst_bytes: Y, then U, then V, each
// chroma plane half as wide and half as high, no gaps), writing every output
// byte. Chroma row 2g comes from source rows 4g and 4g+2 (the top field)
// weighted 3:1, chroma row 2g+1 from rows 4g+1 and 4g+3 (the bottom field)
// weighted 1:3, rounded to nearest with halves up. The four sizes are those
// of a FrameGeometry.
void convert_frame(uint8_t* dst, const uint8_t* src, int32_t src_width, int32_t src_height,
                   int32_t dst_width, int32_t dst_height);
