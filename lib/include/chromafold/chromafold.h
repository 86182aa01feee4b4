#ifndef CHROMAFOLD_H
#define CHROMAFOLD_H

/* chromafold: 4:2:2 frames (packed UYVY, YUY2 and v210, planar I422, semi-planar
 * NV16, and their 10-bit kin) into 4:2:0 frames (I420, NV12, I010, P010), and
 * back, at their own size or aligned to 16 pixels across and 32 rows down,
 * with the chroma filtered vertically within each interlaced field and never
 * across fields: chroma row 2g from source rows 4g and 4g+2 (the top field)
 * weighted 3:1, row 2g+1 from rows 4g+1 and 4g+3 (the bottom field) weighted
 * 1:3, so that it lies where MPEG-2 and H.264 site interlaced 4:2:0 chroma.
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
 * neutral chroma (16 and 128 in 8-bit outputs, 64 and 512 in 10-bit ones).
 * Keep aligns nothing but the height, to whole row groups of four rows. */
#define CHROMAFOLD_MODE_CLIP 0
#define CHROMAFOLD_MODE_PADDING 1
#define CHROMAFOLD_MODE_KEEP 2   /* width kept; height rounded down to a multiple of 4 */

/* The sources of chromafold_convert, 4:2:2 with every width even:
 * UYVY: 8-bit quads U, Y0, V, Y1 (Cb, Y, Cr, Y).
 * YUY2: 8-bit quads Y0, U, Y1, V.
 * V210: 10-bit; six pixels in four little-endian 32-bit words, each holding
 *   three samples in bits 0-9, 10-19 and 20-29 (bits 30-31 ignored): Cb0 Y0
 *   Cr0, Y1 Cb1 Y2, Cr1 Y3 Cb2, Y4 Cr2 Y5. */
#define CHROMAFOLD_SOURCE_UYVY 0
#define CHROMAFOLD_SOURCE_YUY2 1
#define CHROMAFOLD_SOURCE_V210 2

/* The outputs of chromafold_convert, 4:2:0, each plane with its own stride;
 * 16-bit samples are little-endian whatever the processor:
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

/* Every layout has one code, as the source or the output of
 * chromafold_convert_planes. Rows of 16-bit words are little-endian whatever
 * the processor; the bits of a word outside its sample are ignored in a source
 * and zero in an output. 4:2:2 layouts have as many chroma rows as luma rows,
 * 4:2:0 ones half as many:
 * UYVY, YUY2, V210: packed, in one plane, as the CHROMAFOLD_SOURCE_ formats.
 * I422, I420: Y, U and V planes of 8-bit samples; U and V rows of width / 2.
 * NV16, NV12: an 8-bit Y plane and one plane of U, V pairs (rows of width bytes).
 * I422_10, I010: as I422 and I420 in 16-bit words holding the sample in bits 0-9.
 * P210, P010: as NV16 and NV12 in 16-bit words holding the sample in bits 6-15. */
#define CHROMAFOLD_FORMAT_UYVY    16
#define CHROMAFOLD_FORMAT_YUY2    17
#define CHROMAFOLD_FORMAT_V210    18
#define CHROMAFOLD_FORMAT_I422    19   /* 8-bit Y, U, V planes; U and V rows width / 2 */
#define CHROMAFOLD_FORMAT_NV16    20   /* 8-bit Y plane, one plane of U, V pairs (rows of width bytes) */
#define CHROMAFOLD_FORMAT_I422_10 21   /* as I422 in 16-bit little-endian words, sample in bits 0-9 */
#define CHROMAFOLD_FORMAT_P210    22   /* as NV16 in 16-bit little-endian words, sample in bits 6-15 */
#define CHROMAFOLD_FORMAT_I420    32
#define CHROMAFOLD_FORMAT_NV12    33
#define CHROMAFOLD_FORMAT_I010    34
#define CHROMAFOLD_FORMAT_P010    35

/* How the rows of a frame were sampled. Interlaced: even rows are the top
 * field, odd rows the bottom field, and chroma is filtered within each field.
 * Progressive: one picture, whose chroma row k is the mean of rows 2k and
 * 2k+1, rounded once, halves up. */
#define CHROMAFOLD_SCAN_INTERLACED  0
#define CHROMAFOLD_SCAN_PROGRESSIVE 1

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
    uint8_t* data[3];    /* Y; then U and V (planar) or the U, V pairs (semi-planar; data[2] unused) */
    ptrdiff_t stride[3]; /* bytes from the start of one row to the start of the next */
} chromafold_planes;

/* Where the planes of one source frame lie. */
typedef struct chromafold_source_planes {
    const uint8_t* data[3];   /* as chromafold_planes; a packed layout uses data[0] alone */
    ptrdiff_t stride[3];
} chromafold_source_planes;

/* What a format is, for a caller that sizes, allocates or names its frames.
 * Its members keep this order and size for the life of libchromafold.so.1. */
typedef struct chromafold_format_description {
    const char* name;    /* the library's name, as the programs spell it: "uyvy", "yuy2", "v210",
                            "i422", "nv16", "i422_10", "p210", "i420", "nv12", "i010" or "p010"; static */
    int32_t subsampling; /* 422: a chroma row for every luma row; 420: one for every two */
    int32_t depth;       /* bits of each sample: 8 or 10 */
    int32_t planes;      /* 1 (packed), 2 (Y, then U, V pairs) or 3 (Y, U and V); the rows of
                            each as chromafold_row_bytes gives them */
    int32_t sample_shift; /* how far a 10-bit sample lies up the 16-bit word that holds it in
                             the planar and semi-planar layouts: 6 in P210 and P010, else 0 */
} chromafold_format_description;

/* The version of the library linked, such as "2.1.0"; a static string. */
CHROMAFOLD_API const char* chromafold_version(void);

/* The instruction set of the best row kernels this processor runs, chosen on
 * first use and never changed: "c", "sse2", "ssse3", "avx2", "avx512" or
 * "neon". A pair of formats without a kernel of that set runs the best it
 * has. Every kernel gives the same bytes. The environment variable
 * CHROMAFOLD_KERNEL, read on first use, names the highest set the library may
 * choose, for bug reports and benchmarks; a set this processor lacks gives
 * the best below it, and a name the library does not know changes nothing. */
CHROMAFOLD_API const char* chromafold_kernel_name(void);

/* Fills *geometry for source frames of width x height pixels: the output is
 * the source rounded down (CHROMAFOLD_MODE_CLIP) or up (CHROMAFOLD_MODE_PADDING)
 * to a multiple of 16 pixels and 32 rows, or the source's width and its height
 * rounded down to a multiple of 4 (CHROMAFOLD_MODE_KEEP). Refuses a width that
 * is odd or outside 1 to 32768, a height outside 1 to 32768, any other mode and
 * a null geometry. Clipping may leave an output of no pixels at all (a source
 * narrower than 16 or shorter than 32), keeping one of no rows (a source of 1
 * to 3 rows). Returns 0, or -1 on refusal. */
CHROMAFOLD_API int chromafold_frame_geometry(int32_t width, int32_t height, int32_t mode,
                                             chromafold_geometry* geometry);

/* Bytes of one contiguous row of plane 0, 1 or 2 of `format` at `width` pixels
 * (v210: ((width + 47) / 48) * 128); 0 for a plane the format lacks, an unknown
 * format, or a width that is odd or outside 1 to 32768. */
CHROMAFOLD_API size_t chromafold_row_bytes(int32_t format, int32_t plane, int32_t width);

/* Fills *info with what the CHROMAFOLD_FORMAT_ code `format` is. Refuses
 * every other code (the CHROMAFOLD_SOURCE_ and CHROMAFOLD_OUTPUT_ ones among
 * them) and a null info, and then writes nothing. Returns 0, or -1 on
 * refusal. */
CHROMAFOLD_API int chromafold_format_info(int32_t format, chromafold_format_description* info);

/* Converts one frame of geometry->src_width x src_height in `source_format`,
 * sampled as `scan` says, into the planes of one frame of dst_width x
 * dst_height in `output_format`: every 4:2:2 layout (codes 16 to 22) into
 * every 4:2:0 one (32 to 35), and back. Luma keeps its value. Into 4:2:0,
 * chroma is the rule above, at the source's depth, with a missing source row
 * neutral (128, or 512 at 10 bits) at its weight. Back into 4:2:2, each row
 * of a field interpolates linearly between the two chroma rows of its field
 * around it, at the rows where MPEG-2 sites them (the top field's chroma row m
 * a quarter of the way from field line 2m to 2m+1, the bottom field's three
 * quarters; a progressive frame's chroma row k half way from row 2k to 2k+1),
 * the nearest one standing in beyond the outer ones. Each sample is rounded
 * once, halves up, into the output's depth: from 10 bits into 8 it saturates
 * at 255; from 8 bits into 10 it is the exact value times four. Reads only the
 * source rows and columns the output takes (of v210, the whole groups of six
 * pixels that hold them), and from 4:2:0 the chroma rows those rows
 * interpolate from, even past a clipped output; writes every byte of every
 * output row (of v210, to its padded length, zero past the width) and nothing
 * between the end of one row and the start of the next; columns and rows
 * beyond the source are black luma and neutral chroma. Refuses an unknown
 * scan, an unknown format or a pair not converted; a null geometry, or one
 * that chromafold_frame_geometry gives in no mode; a 4:2:0 source whose height
 * is not a multiple of 4; a null source or planes struct, or a null plane of
 * those the two formats use; a negative stride; a source plane's stride below
 * its row (chromafold_row_bytes at src_width) and an output plane's below its
 * row at dst_width; and a plane that would reach past the end of the address
 * space. The planes must not overlap each other or the source. Returns 0, or
 * -1 on refusal. */
CHROMAFOLD_API int chromafold_convert_planes(const chromafold_geometry* geometry, int32_t scan,
                                             int32_t source_format,
                                             const chromafold_source_planes* source,
                                             int32_t output_format, const chromafold_planes* output);

/* Bytes of one contiguous source row of `width` pixels: width * 2 for UYVY and
 * YUY2, ((width + 47) / 48) * 128 for v210, whose rows are padded to 128
 * bytes; 0 for an unknown format or a width that is odd or outside 1 to
 * 32768. */
CHROMAFOLD_API size_t chromafold_source_row_bytes(int32_t source_format, int32_t width);

/* chromafold_convert_planes of an interlaced source in `source_format`, a
 * CHROMAFOLD_SOURCE_ code, whose rows start src_stride bytes apart at src,
 * into the planes of `output_format`, a CHROMAFOLD_OUTPUT_ code: UYVY and YUY2
 * into I420 and NV12, v210 into all four. Refuses what that function refuses,
 * and every other pair. */
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
