/* A C program of someone else's that converts one frame with the installed
 * library into planes whose rows lie further apart than they are long, and
 * checks a sample of each plane and that the bytes between rows stay as they
 * were. Exits 0 when all is right. */
#include <chromafold/chromafold.h>

#include <stdio.h>
#include <string.h>

enum { width = 20, height = 35, y_stride = 48, c_stride = 24, gap = 0xEE };

int main(void)
{
    chromafold_geometry g;
    static uint8_t src[width * 2 * height], y[y_stride * 64], u[c_stride * 32], v[c_stride * 32];
    char version[32];
    int i;

    snprintf(version, sizeof version, "%d.%d.%d", CHROMAFOLD_VERSION_MAJOR, CHROMAFOLD_VERSION_MINOR,
             CHROMAFOLD_VERSION_PATCH);
    if (strcmp(version, chromafold_version()) != 0 ||
        chromafold_frame_geometry(width, height, CHROMAFOLD_MODE_PADDING, &g) != 0 || g.dst_width != 32 ||
        g.dst_height != 64)
        return printf("headers %s, library %s, or a wrong geometry\n", version, chromafold_version()), 1;
    /* U = 0 in even rows and 255 in odd ones, V = 255 - U, luma = column. */
    for (i = 0; i < width * 2 * height; i += 4) {
        src[i] = (i / (width * 2)) % 2 ? 255 : 0;
        src[i + 1] = (uint8_t)(i % (width * 2) / 2);
        src[i + 2] = (uint8_t)(255 - src[i]);
        src[i + 3] = (uint8_t)(src[i + 1] + 1);
    }
    memset(y, gap, sizeof y);
    memset(u, gap, sizeof u);
    memset(v, gap, sizeof v);
    if (chromafold_convert_frame(&g, src, width * 2, y, y_stride, u, c_stride, v, c_stride) != 0 ||
        chromafold_convert_frame(&g, src, width * 2 - 1, y, y_stride, u, c_stride, v, c_stride) != -1)
        return puts("a valid call refused, or a source stride shorter than a row taken"), 1;
    /* Each field alone: U stays 0 in top-field chroma rows, 255 in bottom ones;
     * padding is black and neutral; the gaps between rows are untouched. */
    if (y[5] != 5 || y[19] != 19 || y[20] != 16 || y[32] != gap || y[y_stride + 1] != 1 ||
        y[63 * y_stride + 31] != 16 || y[63 * y_stride + 32] != gap || u[0] != 0 || u[c_stride] != 255 ||
        v[0] != 255 || u[10] != 128 || u[16] != gap || v[31 * c_stride + 15] != 128 || v[31 * c_stride + 16] != gap)
        return puts("wrong conversion"), 1;
    printf("converted a frame with chromafold %s, %s kernels\n", chromafold_version(), chromafold_kernel_name());
    return 0;
}
