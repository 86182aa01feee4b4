/* Encodes a headerless UYVY 4:2:2 file as interlaced H.264, top field first,
 * converting each frame with chromafold straight into the encoder's picture:
 * no intermediate file and no copy of the frame. The picture's rows are
 * allocated longer than the frame is wide, as encoders hand them out, and
 * chromafold writes each row and leaves the rest of each stride alone.
 *
 * usage: uyvy_to_h264 [-w width] [-h height] [-m mode] [-q qp] source output.264
 *   -w, -h, -m  as for chromafold (default 720, 486, 0)
 *   -q qp       constant quantiser, 0 to 51, where 0 is lossless (default: a
 *               constant rate factor of 18)
 * A source or output of "-" is standard input or standard output. */
#include <chromafold/chromafold.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <x264.h>

/* A row length rounded up to a multiple of 64 bytes, plus 64: what encoders
 * typically give their planes, for aligned vector loads and edge extension. */
static int padded_stride(int length)
{
    return (length + 63) / 64 * 64 + 64;
}

static int usage(void)
{
    fputs("usage: uyvy_to_h264 [-w width] [-h height] [-m mode] [-q qp] source output.264\n",
          stderr);
    return 1;
}

/* Encodes one picture, or with a null picture one of the delayed ones, and
 * writes what the encoder gives back. Returns 0, or -1 on a failure. */
static int encode(x264_t* encoder, x264_picture_t* picture, FILE* output)
{
    x264_nal_t* nals;
    int count;
    x264_picture_t encoded;
    if (x264_encoder_encode(encoder, &nals, &count, picture, &encoded) < 0)
        return -1;
    for (int i = 0; i < count; ++i) {
        const size_t size = (size_t)nals[i].i_payload;
        if (fwrite(nals[i].p_payload, 1, size, output) != size)
            return -1;
    }
    return 0;
}

int main(int argc, char** argv)
{
    int width = 720, height = 486, mode = CHROMAFOLD_MODE_CLIP, qp = -1;
    int i = 1;
    for (; i + 2 < argc && argv[i][0] == '-' && argv[i][1] && !argv[i][2]; i += 2) {
        const int value = atoi(argv[i + 1]);
        switch (argv[i][1]) {
        case 'w': width = value; break;
        case 'h': height = value; break;
        case 'm': mode = value; break;
        case 'q': qp = value; break;
        default: return usage();
        }
    }
    if (argc - i != 2 || qp > 51)
        return usage();

    chromafold_geometry g;
    if (chromafold_frame_geometry(width, height, mode, &g) != 0 || g.dst_width == 0 ||
        g.dst_height == 0) {
        fprintf(stderr, "error - no frame of %dx%d in mode %d to encode\n", width, height, mode);
        return 1;
    }
    FILE* source = strcmp(argv[i], "-") ? fopen(argv[i], "rb") : stdin;
    if (!source) {
        fprintf(stderr, "error - cannot open %s\n", argv[i]);
        return 1;
    }
    FILE* output = strcmp(argv[i + 1], "-") ? fopen(argv[i + 1], "wb") : stdout;
    if (!output) {
        fprintf(stderr, "error - cannot create %s\n", argv[i + 1]);
        return 1;
    }

    x264_param_t param;
    x264_param_default_preset(&param, "medium", NULL);
    param.i_csp = X264_CSP_I420;
    param.i_width = g.dst_width;
    param.i_height = g.dst_height;
    param.i_fps_num = 30000;
    param.i_fps_den = 1001;
    param.b_interlaced = 1;
    param.b_tff = 1;
    /* Each picture says that it is two fields, in the order above. */
    param.b_pic_struct = 1;
    param.i_log_level = X264_LOG_WARNING;
    if (qp >= 0) {
        param.rc.i_rc_method = X264_RC_CQP;
        param.rc.i_qp_constant = qp;
    }
    x264_t* encoder = x264_encoder_open(&param);
    if (!encoder) {
        fputs("error - the encoder refused its settings\n", stderr);
        return 1;
    }

    x264_picture_t picture;
    x264_picture_init(&picture);
    picture.img.i_csp = X264_CSP_I420;
    picture.img.i_plane = 3;
    picture.img.i_stride[0] = padded_stride(g.dst_width);
    picture.img.i_stride[1] = picture.img.i_stride[2] = padded_stride(g.dst_width / 2);
    const size_t luma_size = (size_t)picture.img.i_stride[0] * (size_t)g.dst_height;
    const size_t chroma_size = (size_t)picture.img.i_stride[1] * (size_t)g.dst_height / 2;
    uint8_t* planes = malloc(luma_size + 2 * chroma_size);
    uint8_t* frame = malloc((size_t)g.src_bytes);
    if (!planes || !frame) {
        fputs("error - no enough memory\n", stderr);
        return 1;
    }
    picture.img.plane[0] = planes;
    picture.img.plane[1] = planes + luma_size;
    picture.img.plane[2] = planes + luma_size + chroma_size;

    int status = 0;
    for (int64_t pts = 0; fread(frame, 1, (size_t)g.src_bytes, source) == g.src_bytes; ++pts) {
        picture.i_pts = pts;
        if (chromafold_convert_frame(&g, frame, 2 * (ptrdiff_t)g.src_width, picture.img.plane[0],
                                     picture.img.i_stride[0], picture.img.plane[1],
                                     picture.img.i_stride[1], picture.img.plane[2],
                                     picture.img.i_stride[2]) != 0 ||
            encode(encoder, &picture, output) != 0) {
            status = 1;
            break;
        }
    }
    while (status == 0 && x264_encoder_delayed_frames(encoder) > 0)
        if (encode(encoder, NULL, output) != 0)
            status = 1;
    if (ferror(source) || fflush(output) != 0)
        status = 1;

    x264_encoder_close(encoder);
    free(frame);
    free(planes);
    if (source != stdin)
        fclose(source);
    if (output != stdout && fclose(output) != 0)
        status = 1;
    if (status)
        fputs("error - encoding failed\n", stderr);
    return status;
}
