#pragma once

#include <cstddef>
#include <cstdint>

// Row kernels know nothing of fields, edges or frames: each reads whole pixel
// pairs of one source format from source rows and writes output rows of one
// output format (the CHROMAFOLD_SOURCE_ and CHROMAFOLD_OUTPUT_ numbers).
// `width` is a count of pixels and even; the kernels handle pixels 0 to
// width - 1 and write nothing else. Chroma rows are given by where their first
// U and first V sample lie: where U and V share a plane (NV12, P010), V lies
// one sample after U and each is every other sample of the row.
//
// A chroma sample is the weighted mean of two source rows of one field,
// (3 * near + far) / 4 at the source's depth, rounded once to the output's,
// halves up: (sum + 2) >> 2 at the same depth, min(255, (sum + 8) >> 4) from
// 10 bits to 8. A 10-bit luma sample becomes min(255, (Y + 2) >> 2) in 8 bits.

// One whole row group: source rows r0 to r3 from `src`, `src_stride` bytes
// apart, into four luma rows from `luma`, `luma_stride` apart; the top-field
// chroma row of r0 (near) and r2 (far) at `u` and `v`, and the bottom-field
// one of r3 (near) and r1 (far) `u_stride` and `v_stride` further on.
using RowGroupKernelType = void(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u,
                                ptrdiff_t u_stride, uint8_t* v, ptrdiff_t v_stride,
                                const uint8_t* src, ptrdiff_t src_stride, int32_t width);
using RowGroupFunction = RowGroupKernelType*;

// The plain C kernels, the reference that every vector kernel equals byte for
// byte; defined for each pair converted.
template <int32_t source, int32_t output>
void convert_row_group(uint8_t* luma, ptrdiff_t luma_stride, uint8_t* u, ptrdiff_t u_stride,
                       uint8_t* v, ptrdiff_t v_stride, const uint8_t* src, ptrdiff_t src_stride,
                       int32_t width);

// The plain C kernels of one pair, for the rows that are not whole row groups.
struct EdgeKernels {
    // One luma row from one source row.
    void (*luma_row)(uint8_t* luma, const uint8_t* src, int32_t width);
    // One chroma row from the rows `near` and `far` of one field; a null row
    // stands for neutral chroma (128, or 512 at 10 bits) at its weight.
    void (*chroma_row)(uint8_t* u, uint8_t* v, const uint8_t* near, const uint8_t* far,
                       int32_t width);
};

// The plain kernels of a pair converted: the row group and the edge rows.
RowGroupFunction plain_row_group(int32_t source, int32_t output);
EdgeKernels edge_kernels(int32_t source, int32_t output);
