#ifndef CHROMAFOLD_H
#define CHROMAFOLD_H

/* chromafold: packed UYVY 4:2:2 frames into planar 4:2:0, aligned to 16 pixels
 * across and 32 rows down, with the chroma filtered vertically within each
 * interlaced field and never across fields.
 *
 * Every function may be called from any thread at any time: the library keeps
 * no state but the set of row kernels it chooses once for the processor. No
 * function allocates memory or prints anything. A function that refuses its
 * arguments returns -1 and writes nothing at all. */

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
 * the columns and rows beyond, padding grows the frame with black luma (16)
 * and neutral chroma (128). */
#define CHROMAFOLD_MODE_CLIP 0
#define CHROMAFOLD_MODE_PADDING 1

#ifdef __cplusplus
extern "C" {
#endif

/* The sizes of one conversion, as chromafold_frame_geometry computes them. */
typedef struct chromafold_geometry {
    int32_t src_width, src_height; /* source frame: pixels per row, rows */
    int32_t dst_width, dst_height; /* output frame */
    uint64_t src_bytes, dst_bytes; /* one contiguous UYVY frame, one contiguous raw420 frame */
} chromafold_geometry;

/* The version of the library linked, such as "1.1.0"; a static string. */
CHROMAFOLD_API const char* chromafold_version(void);

/* The row kernels this processor runs, chosen on first use and never changed:
 * "c", "sse2", "avx2" or "neon". Every set gives the same bytes. */
CHROMAFOLD_API const char* chromafold_kernel_name(void);

/* Fills *geometry for source frames of width x height pixels: the output is
 * the source rounded down (CHROMAFOLD_MODE_CLIP) or up (CHROMAFOLD_MODE_PADDING)
 * to a multiple of 16 pixels and 32 rows. Refuses a width that is odd or
 * outside 1 to 32768, a height outside 1 to 32768, any other mode and a null
 * geometry. Clipping may leave an output of no pixels at all (a source
 * narrower than 16 or shorter than 32). Returns 0, or -1 on refusal. */
CHROMAFOLD_API int chromafold_frame_geometry(int32_t width, int32_t height, int32_t mode,
                                             chromafold_geometry* geometry);

/* Converts one UYVY frame of geometry->src_width x src_height, whose rows start
 * src_stride bytes apart at src, into the planes of one 4:2:0 frame of
 * dst_width x dst_height: dst_width luma bytes per row at y, dst_width / 2 bytes
 * of U (Cb) at u and of V (Cr) at v per chroma row, dst_height / 2 chroma rows.
 * Strides are bytes from the start of one row to the start of the next. Reads
 * only the source rows and columns the output uses; writes every byte of every
 * output row and nothing between the end of one row and the start of the next.
 * Chroma row 2g is filtered from source rows 4g and 4g+2 (the top field)
 * weighted 3:1, row 2g+1 from rows 4g+1 and 4g+3 (the bottom field) weighted
 * 1:3, rounded to nearest with halves up.
 * Refuses a null pointer, a geometry that chromafold_frame_geometry gives in
 * neither mode, a negative stride, a source stride below src_width * 2, a luma
 * stride below dst_width, a chroma stride below dst_width / 2, and a plane that
 * would reach past the end of the address space. The planes must not overlap
 * each other or the source. Returns 0, or -1 on refusal. */
CHROMAFOLD_API int chromafold_convert_frame(const chromafold_geometry* geometry,
                                            const uint8_t* src, ptrdiff_t src_stride,
                                            uint8_t* y, ptrdiff_t y_stride,
                                            uint8_t* u, ptrdiff_t u_stride,
                                            uint8_t* v, ptrdiff_t v_stride);

#ifdef __cplusplus
}
#endif

#endif
