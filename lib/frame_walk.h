#pragma once

#include <chromafold/chromafold.h>
#include "lib/frame_layout.h"
#include "lib/row_kernels.h"

#include <cstdint>

// A frame of geometry `g` scanned as `scan`, from `source` planes in
// `source_format` into `output` planes in `output_format`, a pair converted.
FrameLayout frame_layout(const chromafold_geometry& g, int32_t scan, int32_t source_format,
                         const chromafold_source_planes& source, int32_t output_format,
                         const chromafold_planes& output);

// Writes every byte of every output row of `frame`, and nothing between rows:
// every whole row group with `kernel`, a kernel of the frame's pair, the rest
// with the plain C one.
void convert_frame_with(RowGroupFunction kernel, const FrameLayout& frame);
