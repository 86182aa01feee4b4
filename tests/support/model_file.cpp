// The per-sample model of every whole frame of a UYVY file, for the end-to-end
// suite, which runs it as it runs the program (behind the same emulator, if
// any): model_file WIDTH HEIGHT MODE SOURCE OUTPUT.

#include "lib/geometry.h"
#include "tests/frame_model.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 6)
        return 2;
    const chromafold_geometry g = frame_geometry(std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]));
    FILE* in = std::fopen(argv[4], "rb");
    FILE* out = std::fopen(argv[5], "wb");
    if (!in || !out || g.src_bytes == 0)
        return 1;
    std::vector<uint8_t> frame(g.src_bytes);
    while (std::fread(frame.data(), 1, frame.size(), in) == frame.size()) {
        const std::vector<uint8_t> raw420 =
            model_frame(frame, g.src_width, g.src_height, g.dst_width, g.dst_height);
        std::fwrite(raw420.data(), 1, raw420.size(), out);
    }
    return std::fclose(out) == 0 && std::fclose(in) == 0 ? 0 : 1;
}
