#include "convert/edge_padding.h"

void fill_right_of_luma(const FrameLayout&, int32_t) {}

void fill_right_of_chroma(const FrameLayout&, int32_t) {}

void pad_bottom(const RowKernels&, const FrameLayout&, int32_t) {}
