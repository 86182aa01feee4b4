#pragma once

#include <chromafold/chromafold.h>

#include <cstddef>
#include <cstdint>

// What the frame walk and the C interface need to know of each format. The
// format numbers are the CHROMAFOLD_SOURCE_ and CHROMAFOLD_OUTPUT_ constants.

constexpr int32_t source_formats = 3;
constexpr int32_t output_formats = 4;

// Short names, for tables of pairs.
constexpr int32_t uyvy = CHROMAFOLD_SOURCE_UYVY, yuy2 = CHROMAFOLD_SOURCE_YUY2,
                  v210 = CHROMAFOLD_SOURCE_V210;
constexpr int32_t i420 = CHROMAFOLD_OUTPUT_I420, nv12 = CHROMAFOLD_OUTPUT_NV12,
                  i010 = CHROMAFOLD_OUTPUT_I010, p010 = CHROMAFOLD_OUTPUT_P010;

// UYVY and YUY2 into I420 and NV12; v210 into all four outputs.
constexpr bool pair_converted(int32_t source, int32_t output)
{
    if (output < 0 || output >= output_formats)
        return false;
    if (source == CHROMAFOLD_SOURCE_UYVY || source == CHROMAFOLD_SOURCE_YUY2)
        return output == CHROMAFOLD_OUTPUT_I420 || output == CHROMAFOLD_OUTPUT_NV12;
    return source == CHROMAFOLD_SOURCE_V210;
}

constexpr bool ten_bit_source(int32_t source)
{
    return source == CHROMAFOLD_SOURCE_V210;
}

constexpr bool ten_bit_output(int32_t output)
{
    return output == CHROMAFOLD_OUTPUT_I010 || output == CHROMAFOLD_OUTPUT_P010;
}

// Bytes per output sample: 1, or 2 for a 10-bit output.
constexpr ptrdiff_t sample_bytes(int32_t output)
{
    return ten_bit_output(output) ? 2 : 1;
}

// NV12 and P010 hold U and V in one plane, in pairs.
constexpr bool interleaved_chroma(int32_t output)
{
    return output == CHROMAFOLD_OUTPUT_NV12 || output == CHROMAFOLD_OUTPUT_P010;
}

// Bytes from one U sample of a chroma row to the next.
constexpr ptrdiff_t chroma_step(int32_t output)
{
    return sample_bytes(output) * (interleaved_chroma(output) ? 2 : 1);
}

// Bytes of a source row that hold pixels 0 to width - 1: of v210, the whole
// groups of six pixels, 16 bytes each.
constexpr ptrdiff_t source_bytes_read(int32_t source, int32_t width)
{
    return ten_bit_source(source) ? ptrdiff_t(width + 5) / 6 * 16 : ptrdiff_t(width) * 2;
}
