// The per-sample model of every whole frame of a file, for the end-to-end and
// GStreamer suites, which run it as they run the program (behind the same
// emulator, if any):
//   model_file WIDTH HEIGHT MODE SOURCE OUTPUT [SOURCE_FORMAT OUTPUT_FORMAT [SCAN]]
// with the formats and the scan as chromafold_convert_planes numbers them;
// interlaced UYVY into I420 unless given. With "-" alone, one such line of
// arguments after another on standard input.

#include "lib/geometry.h"
#include "tests/frame_model.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int model(int argc, char** argv)
{
    if (argc != 6 && argc != 8 && argc != 9)
        return 2;
    const chromafold_geometry g = frame_geometry(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
    const int32_t source = argc >= 8 ? std::atoi(argv[6]) : uyvy;
    const int32_t output = argc >= 8 ? std::atoi(argv[7]) : i420;
    const int32_t scan = argc == 9 ? std::atoi(argv[8]) : CHROMAFOLD_SCAN_INTERLACED;
    FILE* in = std::fopen(argv[4], "rb");
    FILE* out = std::fopen(argv[5], "wb");
    if (!in || !out || g.src_bytes == 0)
        return 1;
    std::vector<uint8_t> frame(frame_bytes(source, g.src_width, g.src_height));
    while (std::fread(frame.data(), 1, frame.size(), in) == frame.size()) {
        const std::vector<uint8_t> converted = model_frame(source, output, scan, frame, g);
        std::fwrite(converted.data(), 1, converted.size(), out);
    }
    return std::fclose(out) == 0 && std::fclose(in) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "-") != 0)
        return model(argc, argv);
    char line[4096];
    int status = 0;
    while (status == 0 && std::fgets(line, sizeof line, stdin)) {
        char* words[10] = {argv[0]};
        int count = 1;
        for (char* w = std::strtok(line, " \r\n"); w && count < 10; w = std::strtok(nullptr, " \r\n"))
            words[count++] = w;
        status = model(count, words);
    }
    return status;
}
