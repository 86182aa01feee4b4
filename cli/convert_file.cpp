#include "cli/convert_file.h"

#include <chromafold/chromafold.h>
#include "platform/frame_io.h"
#include "platform/platform.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

// The working buffer holds one source frame followed by one output frame,
// raw420: the Y plane, then the U plane, then the V plane, each row of each
// plane right after the one before.
void convert_frames(int source, int output, uint8_t* buffer, const chromafold_geometry& geometry)
{
    uint8_t* const src = buffer;
    uint8_t* const dst = buffer + geometry.src_bytes;
    const ptrdiff_t luma_bytes = ptrdiff_t(geometry.dst_width) * geometry.dst_height;
    const chromafold_source_planes uyvy{{src}, {ptrdiff_t(geometry.src_width) * 2}};
    const chromafold_planes raw420{{dst, dst + luma_bytes, dst + luma_bytes + luma_bytes / 4},
                                   {geometry.dst_width, geometry.dst_width / 2, geometry.dst_width / 2}};
    const bool terminal = is_terminal(stdout);
    int64_t frames = 0;

    for (;;) {
        const int64_t got = read_frame(source, src, geometry.src_bytes);
        if (got < 0) {
            std::fprintf(stderr, "error - failed on _read(size=%" PRIu64 ") [src]\n",
                         geometry.src_bytes);
            return;
        }
        // A trailing piece shorter than one frame is not a frame.
        if (uint64_t(got) != geometry.src_bytes)
            break;
        chromafold_convert_planes(&geometry, CHROMAFOLD_SCAN_INTERLACED, CHROMAFOLD_FORMAT_UYVY, &uyvy,
                                  CHROMAFOLD_FORMAT_I420, &raw420);
        if (write_frame(output, dst, geometry.dst_bytes) != 0) {
            std::fprintf(stderr, "error - failed on _write(size=%" PRIu64 ") [dst]\n",
                         geometry.dst_bytes);
            return;
        }
        std::printf("frame: %" PRId64 "\r", frames);
        if (terminal)
            std::fflush(stdout);
        ++frames;
    }
    // A source shorter than one frame gives an empty output and no report.
    if (frames > 0) {
        std::printf("frame: %" PRId64 " - finish!!\n", frames);
        if (terminal)
            std::fflush(stdout);
    }
}

} // namespace

void convert_file(const char* output_name, const char* source_path, const Settings& settings)
{
    // The settings are valid: only a width or a height of 0 is refused, and
    // then the geometry stays that of no frame at all.
    chromafold_geometry geometry{settings.width, settings.height, 0, 0, 0, 0};
    chromafold_frame_geometry(settings.width, settings.height, settings.mode, &geometry);
    const uint64_t buffer_size = geometry.src_bytes + geometry.dst_bytes;
    uint8_t* const buffer = buffer_size <= SIZE_MAX
                                ? static_cast<uint8_t*>(std::malloc(buffer_size ? buffer_size : 1))
                                : nullptr;
    if (!buffer) {
        std::fprintf(stderr, "error - no enough memory\n");
        return;
    }

    const int source = open_source(source_path);
    if (source < 0) {
        std::fprintf(stderr, "error - failed on _open(%s) [src]\n", source_path);
        std::free(buffer);
        return;
    }
    // Reading zero bytes per frame would never reach the end of the source.
    if (geometry.src_bytes == 0) {
        std::fprintf(stderr, "error - frame size is zero (width=%d height=%d) for %s [src]\n",
                     geometry.src_width, geometry.src_height, source_path);
        std::free(buffer);
        close_file(source);
        return;
    }
    // Opening the output truncates it: it must not be the source under another name.
    if (names_open_file(output_name, source)) {
        std::fprintf(stderr, "error - output %s is the source file itself [dst]\n", output_name);
        std::free(buffer);
        close_file(source);
        return;
    }
    const int output = open_output(output_name, 0600);
    if (output < 0) {
        std::fprintf(stderr, "error - failed on _open(%s) [dst]\n", output_name);
        std::free(buffer);
        close_file(source);
        return;
    }

    convert_frames(source, output, buffer, geometry);

    std::free(buffer);
    close_file(source);
    // Some file systems report a failure to store written data only here.
    if (close_output(output) != 0)
        std::fprintf(stderr, "error - failed on _close(%s) [dst]\n", output_name);
}
