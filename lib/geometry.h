#pragma once

#include <chromafold/chromafold.h>

// The sizes of a conversion of width x height source frames in `mode`: the
// output rounded down (clip) or up (padding) to a multiple of 16 pixels and 32
// rows, or of the source's width and its height rounded down to a multiple of
// 4 (keep); and the bytes of one contiguous UYVY and one contiguous raw420
// frame. Takes any width and height from 0 to 32768 and any of the three
// modes, and checks none: callers check first.
chromafold_geometry frame_geometry(int32_t width, int32_t height, int32_t mode);
