#ifndef CHROMAFOLD_H
#define CHROMAFOLD_H

/* chromafold: interlaced 4:2:2 frames (UYVY, YUY2, v210) into 4:2:0 frames
 * (I420, NV12, I010, P010), aligned to 16 pixels across and 32 rows down, with
 * the chroma filtered vertically within each interlaced field and never across
 * fields: chroma row 2g from source rows 4g and 4g+2 (the top field) weighted
 * 3:1, row 2g+1 from rows 4g+1 and 4g+3 (the bottom field) weighted 1:3, so
 * that it lies where MPEG-2 and H.264 site interlaced 4:2:0 chroma.
 *
 * Every function may be called from any thread at any time: the library keeps
 * no state but the row kernels it chooses once for the processor. No function
 * allocates memory or prints anything. A function that refuses its arguments
 * returns -1 and writes nothing at all. */

#include <stddef.h>
#include <stdint.h>

#include <chromafold/version.h>

#if defined(_WIN32)
#if defined(CHROMAFOLD_BUILDING_DLL)
#define CHROMAFOLD_API __declspec(dllexport)
#elif defined(CHROMAFOLD_STATIC)
#define CHROMAFOLD_API
#else
#define CHROMAFOLD_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define CHROMAFOLD_API __attribute__((visibility("default")))
#else
#define CHROMAFOLD_API
#endif

/* Output frames are aligned to 16 pixels across and 32 rows down: clip drops
 * the columns and rows beyond, padding grows the frame with black luma and
 * neutral chroma (16 and 128 in 8-bit outputs, 64 and 512 in 10-bit ones). */
#define CHROMAFOLD_MODE_CLIP 0
#define CHROMAFOLD_MODE_PADDING 1

/* Sources, 4:2:2 with every width even:
 * UYVY: 8-bit quads U, Y0, V, Y1 (Cb, Y, Cr, Y).
 * YUY2: 8-bit quads Y0, U, Y1, V.
 * V210: 10-bit; six pixels in four little-endian 32-bit words, each holding
 *   three samples in bits 0-9, 10-19 and 20-29 (bits 30-31 ignored): Cb0 Y0
 *   Cr0, Y1 Cb1 Y2, Cr1 Y3 Cb2, Y4 Cr2 Y5. */
#define CHROMAFOLD_SOURCE_UYVY 0
#define CHROMAFOLD_SOURCE_YUY2 1
#define CHROMAFOLD_SOURCE_V210 2

/* Outputs, 4:2:0, each plane with its own stride; 16-bit samples are
 * little-endian whatever the processor:
 * I420: 8-bit Y, U and V planes; chroma rows of dst_width / 2 bytes.
 * NV12: 8-bit Y plane and one plane of U, V pairs; chroma rows of dst_width bytes.
 * I010: Y, U and V planes of 16-bit words holding the sample in bits 0-9.
 * P010: Y plane and one plane of U, V pairs, 16-bit words holding the sample in
 *   bits 6-15 (bits 0-5 zero).
 * UYVY and YUY2 convert into I420 and NV12; V210 into all four. A 10-bit
 * source into an 8-bit output is rounded once, halves up, and saturates at
 * 255. */
#define CHROMAFOLD_OUTPUT_I420 0
#define CHROMAFOLD_OUTPUT_NV12 1
#define CHROMAFOLD_OUTPUT_I010 2
#define CHROMAFOLD_OUTPUT_P010 3

#ifdef __cplusplus
extern "C" {
#endif

/* The sizes of one conversion, as chromafold_frame_geometry computes them. */
typedef struct chromafold_geometry {
    int32_t src_width, src_height; /* source frame: pixels per row, rows */
    int32_t dst_width, dst_height; /* output frame */
    uint64_t src_bytes, dst_bytes; /* one contiguous UYVY frame, one contiguous I420 frame */
} chromafold_geometry;

/* Where the planes of one output frame lie. */
typedef struct chromafold_planes {
    uint8_t* data[3];    /* Y; then U and V (I420, I010) or the UV pairs (NV12, P010; data[2] unused) */
    ptrdiff_t stride[3]; /* bytes from the start of one row to the start of the next */
} chromafold_planes;

/* The version of the library linked, such as "2.0.0"; a static string. */
CHROMAFOLD_API const char* chromafold_version(void);

/* The instruction set of the best row kernels this processor runs, chosen on
 * first use and never changed: "c", "sse2", "avx2" or "neon". A pair of
 * formats without a kernel of that set runs the best it has. Every kernel
 * gives the same bytes. */
CHROMAFOLD_API const char* chromafold_kernel_name(void);

/* Fills *geometry for source frames of width x height pixels: the output is
 * the source rounded down (CHROMAFOLD_MODE_CLIP) or up (CHROMAFOLD_MODE_PADDING)
 * to a multiple of 16 pixels and 32 rows. Refuses a width that is odd or
 * outside 1 to 32768, a height outside 1 to 32768, any other mode and a null
 * geometry. Clipping may leave an output of no pixels at all (a source
 * narrower than 16 or shorter than 32). Returns 0, or -1 on refusal. */
CHROMAFOLD_API int chromafold_frame_geometry(int32_t width, int32_t height, int32_t mode,
                                             chromafold_geometry* geometry);

/* Bytes of one contiguous source row of `width` pixels: width * 2 for UYVY and
 * YUY2, ((width + 47) / 48) * 128 for v210, whose rows are padded to 128
 * bytes; 0 for an unknown format or a width that is odd or outside 1 to
 * 32768. */
CHROMAFOLD_API size_t chromafold_source_row_bytes(int32_t source_format, int32_t width);

/* Converts one source frame of geometry->src_width x src_height in
 * `source_format`, whose rows start src_stride bytes apart at src, into the
 * planes of one frame of dst_width x dst_height in `output_format`. Reads
 * only the source rows and columns the output takes (of v210, the whole
 * groups of six pixels that hold them); writes every byte of every output row
 * and nothing between the end of one row and the start of the next.
 * Refuses an unknown format or a pair not converted; a null geometry, or one
 * that chromafold_frame_geometry gives in neither mode; a null source, planes
 * struct or used plane; a negative stride; a source stride below
 * chromafold_source_row_bytes; a plane stride below its row (dst_width luma
 * samples, dst_width / 2 samples of U or of V, or dst_width samples of UV
 * pairs, each 1 byte in 8-bit outputs and 2 in 10-bit ones); and a plane that
 * would reach past the end of the address space. The planes must not overlap
 * each other or the source. Returns 0, or -1 on refusal. */
CHROMAFOLD_API int chromafold_convert(const chromafold_geometry* geometry, int32_t source_format,
                                      const uint8_t* src, ptrdiff_t src_stride, int32_t output_format,
                                      const chromafold_planes* output);

/* chromafold_convert of a UYVY source into I420 planes at y, u and v: dst_width
 * luma bytes per row, dst_width / 2 bytes of U (Cb) and of V (Cr) per chroma
 * row, dst_height / 2 chroma rows. Refuses what chromafold_convert refuses. */
CHROMAFOLD_API int chromafold_convert_frame(const chromafold_geometry* geometry,
                                            const uint8_t* src, ptrdiff_t src_stride,
                                            uint8_t* y, ptrdiff_t y_stride,
                                            uint8_t* u, ptrdiff_t u_stride,
                                            uint8_t* v, ptrdiff_t v_stride);

#ifdef __cplusplus
}
#endif

#endif
