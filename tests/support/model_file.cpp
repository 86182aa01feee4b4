// The per-sample model of every whole frame of a file, for the end-to-end and
// GStreamer suites, which run it as they run the program (behind the same
// emulator, if any):
//   model_file WIDTH HEIGHT MODE SOURCE OUTPUT [SOURCE_FORMAT OUTPUT_FORMAT]
// with the formats as the C interface numbers them, UYVY into I420 unless given.

#include "lib/geometry.h"
#include "tests/frame_model.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 6 && argc != 8)
        return 2;
    const chromafold_geometry g = frame_geometry(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
    const int32_t source = argc == 8 ? std::atoi(argv[6]) : CHROMAFOLD_SOURCE_UYVY;
    const int32_t output = argc == 8 ? std::atoi(argv[7]) : CHROMAFOLD_OUTPUT_I420;
    FILE* in = std::fopen(argv[4], "rb");
    FILE* out = std::fopen(argv[5], "wb");
    if (!in || !out || g.src_bytes == 0)
        return 1;
    std::vector<uint8_t> frame(row_bytes(source, g.src_width) * size_t(g.src_height));
    while (std::fread(frame.data(), 1, frame.size(), in) == frame.size()) {
        const std::vector<uint8_t> converted = model_frame(source, output, frame, g);
        std::fwrite(converted.data(), 1, converted.size(), out);
    }
    return std::fclose(out) == 0 && std::fclose(in) == 0 ? 0 : 1;
}
