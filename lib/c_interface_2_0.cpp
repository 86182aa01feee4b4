#include <chromafold/chromafold.h>

// The interface of 2.0, kept for the programs built on it: each call is a
// case of the current interface, and refuses what it refuses.

namespace {

// The 2.0 codes of the sources and the outputs as format codes; -1 for a code
// 2.0 did not know.
int32_t format_of_source(int32_t source)
{
    return source >= CHROMAFOLD_SOURCE_UYVY && source <= CHROMAFOLD_SOURCE_V210 ? CHROMAFOLD_FORMAT_UYVY + source : -1;
}

int32_t format_of_output(int32_t output)
{
    return output >= CHROMAFOLD_OUTPUT_I420 && output <= CHROMAFOLD_OUTPUT_P010 ? CHROMAFOLD_FORMAT_I420 + output : -1;
}

} // namespace

size_t chromafold_source_row_bytes(int32_t source_format, int32_t width)
{
    return chromafold_row_bytes(format_of_source(source_format), 0, width);
}

int chromafold_convert(const chromafold_geometry* geometry, int32_t source_format, const uint8_t* src,
                       ptrdiff_t src_stride, int32_t output_format, const chromafold_planes* output)
{
    // 2.0 converted its 8-bit sources into the 8-bit outputs, and v210 into
    // all four.
    const int32_t source = format_of_source(source_format), out = format_of_output(output_format);
    chromafold_format_description source_info, output_info;
    if (chromafold_format_info(source, &source_info) != 0 || chromafold_format_info(out, &output_info) != 0 ||
        source_info.depth < output_info.depth)
        return -1;
    const chromafold_source_planes planes{{src}, {src_stride}};
    return chromafold_convert_planes(geometry, CHROMAFOLD_SCAN_INTERLACED, source, &planes, out, output);
}

int chromafold_convert_frame(const chromafold_geometry* geometry, const uint8_t* src, ptrdiff_t src_stride,
                             uint8_t* y, ptrdiff_t y_stride, uint8_t* u, ptrdiff_t u_stride, uint8_t* v,
                             ptrdiff_t v_stride)
{
    const chromafold_planes planes{{y, u, v}, {y_stride, u_stride, v_stride}};
    return chromafold_convert(geometry, CHROMAFOLD_SOURCE_UYVY, src, src_stride, CHROMAFOLD_OUTPUT_I420, &planes);
}
