#pragma once

#include <chromafold/chromafold.h>

#include <cstdint>
#include <string>
#include <string_view>

// The layouts a stream's frames come in: every format the library converts,
// and the YUV4MPEG2 chroma tag written for it where the format has one. What
// each layout is, its name on the command line and in the manual among it,
// is the library's (chromafold_format_info).
struct PipeLayout {
    int32_t code;    // CHROMAFOLD_FORMAT_
    const char* y4m; // the chroma tag written for it, without the C; null: none
};

// What the library says a layout is.
chromafold_format_description describe(const PipeLayout& layout);

bool subsampled(const PipeLayout& layout);

// The layout of a name, or null.
const PipeLayout* layout_named(std::string_view name);

// The layout of a YUV4MPEG2 chroma tag (without its C) that chromafold
// converts, or null: 422 and 422p10; 420, 420jpeg and 420mpeg2, whose chroma
// lies between the rows of each pair (420jpeg is the format's default and
// what most writers say of any 4:2:0) and 420p10. 420paldv and every other
// one are not converted.
const PipeLayout* layout_of_chroma(std::string_view chroma);

// The planar layout of the other subsampling at `depth` bits, or at the
// layout's own where it is 0: I420 or I010 from 4:2:2, I422 or I422_10 from
// 4:2:0.
const PipeLayout& planar_counterpart(const PipeLayout& layout, int32_t depth);

// The names of the layouts of one subsampling, as a list in words: "i420,
// nv12, i010 or p010".
std::string layout_names(bool subsampled);

// Where the planes of one contiguous frame lie: each plane's rows back to
// back, the planes one after another.
struct FramePlanes {
    uint64_t offset[3];
    ptrdiff_t stride[3]; // 0 for a plane the layout lacks
    uint64_t bytes;      // the whole frame
};

FramePlanes contiguous_frame(const PipeLayout& layout, int32_t width, int32_t height);
