#pragma once

#include <cstdint>

// The command-line settings of one run. Widths are pixels per source row and
// must be even; heights are rows per source frame.
struct Settings {
    int32_t width;
    int32_t height;
    int32_t mode;
};

// Output frames are aligned to 16 pixels across and 32 rows down: `mode_clip`
// drops what lies beyond, `mode_padding` grows the frame with black luma and
// neutral chroma.
constexpr int32_t mode_clip = 0;
constexpr int32_t mode_padding = 1;

// Converts every whole UYVY frame of `source_path` into raw420 frames written to
// `output_name`. Every failure is reported on standard error; none is returned,
// so a batch goes on with its next source.
void convert_file(const char* output_name, const char* source_path, const Settings& settings);

// Converts one packed UYVY frame of src_width x src_height into one planar 4:2:0
// frame of dst_width x dst_height (Y, then U, then V, no gaps), writing every
// output byte. Chroma rows are filtered vertically within one field: chroma row
// 2g from source rows 4g and 4g+2 weighted 3:1, chroma row 2g+1 from rows 4g+1
// and 4g+3 weighted 1:3. src_width is even, dst_width a multiple of 16 and
// dst_height a multiple of 32.
void convert_frame(uint8_t* dst, const uint8_t* src, int32_t src_width, int32_t src_height,
                   int32_t dst_width, int32_t dst_height);
