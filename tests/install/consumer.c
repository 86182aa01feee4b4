/* The smallest program built against the installed library: it compiles the
 * header as strict C99 and converts one frame through each function, into
 * planes whose rows lie further apart than they are long. Exits 0 when each
 * call keeps its contract. */
#include <chromafold/chromafold.h>

#include <stdio.h>
#include <string.h>

int main(void)
{
    static uint8_t src[20 * 2 * 35], y[48 * 64], u[24 * 32], v[24 * 32], uv[48 * 32];
    static uint8_t planar[3][20 * 35];
    chromafold_planes nv12 = {{y, uv, NULL}, {48, 48, 0}};
    chromafold_source_planes i422 = {{planar[0], planar[1], planar[2]}, {20, 10, 10}};
    chromafold_geometry g, kept;
    chromafold_format_description p010;
    char version[32];
    int i;

    snprintf(version, sizeof version, "%d.%d.%d", CHROMAFOLD_VERSION_MAJOR, CHROMAFOLD_VERSION_MINOR,
             CHROMAFOLD_VERSION_PATCH);
    for (i = 0; i < (int)sizeof src; ++i) /* U 30, Y 200, V 220 */
        src[i] = (uint8_t)(i % 4 == 0 ? 30 : i % 4 == 2 ? 220 : 200);
    memset(y, 1, sizeof y);
    memset(planar[0], 200, sizeof planar[0]);
    memset(planar[1], 30, sizeof planar[1]);
    memset(planar[2], 220, sizeof planar[2]);
    /* 20 x 35 is padded to 32 x 64: luma 200 then black, chroma 30 and 220
     * then neutral, the bytes past each row untouched. */
    if (strcmp(version, chromafold_version()) != 0 ||
        chromafold_frame_geometry(20, 35, CHROMAFOLD_MODE_PADDING, &g) != 0 || g.dst_width != 32 ||
        chromafold_source_row_bytes(CHROMAFOLD_SOURCE_UYVY, 20) != 40 ||
        chromafold_convert_frame(&g, src, 40, y, 48, u, 24, v, 24) != 0 || y[19] != 200 || y[20] != 16 ||
        y[32] != 1 || u[0] != 30 || v[0] != 220 || v[10] != 128 || y[63 * 48 + 31] != 16 ||
        chromafold_convert(&g, CHROMAFOLD_SOURCE_UYVY, src, 40, CHROMAFOLD_OUTPUT_NV12, &nv12) != 0 ||
        uv[0] != 30 || uv[1] != 220 || uv[20] != 128 ||
        /* Planar 4:2:2 kept at 20 x 32, progressive, into NV12. */
        chromafold_frame_geometry(20, 35, CHROMAFOLD_MODE_KEEP, &kept) != 0 || kept.dst_height != 32 ||
        chromafold_row_bytes(CHROMAFOLD_FORMAT_I422, 1, 20) != 10 ||
        chromafold_format_info(CHROMAFOLD_FORMAT_P010, &p010) != 0 || strcmp(p010.name, "p010") != 0 ||
        p010.subsampling != 420 || p010.sample_shift != 6 ||
        chromafold_convert_planes(&kept, CHROMAFOLD_SCAN_PROGRESSIVE, CHROMAFOLD_FORMAT_I422, &i422,
                                  CHROMAFOLD_FORMAT_NV12, &nv12) != 0 ||
        y[19] != 200 || y[20] != 16 || uv[18] != 30 || uv[19] != 220 || uv[20] != 128)
        return printf("headers %s, library %s: a call broke its contract\n", version, chromafold_version()), 1;
    printf("converted a frame with chromafold %s, %s kernels\n", chromafold_version(), chromafold_kernel_name());
    return 0;
}
