// The I/O floor of chromafold-pipe: the reads and writes of a stream by the
// pipe's own functions, as many and as large, with no conversion between
// them. chromafold-pipe can be no faster than this.
//
// usage: pipe_io_floor y4m|raw SOURCE_FRAME_BYTES OUTPUT_FRAME_BYTES < INPUT > OUTPUT

#include "pipe/y4m.h"
#include "platform/frame_io.h"
#include "platform/platform.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 1;
    const bool y4m = std::strcmp(argv[1], "y4m") == 0;
    use_for_frames(0);
    use_for_frames(1);
    const uint64_t source_bytes = std::strtoull(argv[2], nullptr, 10);
    const uint64_t output_bytes = std::strtoull(argv[3], nullptr, 10);
    std::vector<uint8_t> source(source_bytes), output(frame_marker.size() + 1 + output_bytes, 16);
    std::memcpy(output.data(), "FRAME\n", 6);
    std::string line;
    // The output's header is as long as the input's, near enough.
    if (y4m && (read_line(0, line, y4m_line_limit) <= 0 ||
                write_frame(1, reinterpret_cast<const uint8_t*>(line.data()), line.size()) != 0))
        return 1;
    const uint8_t* out = output.data() + (y4m ? 0 : 6);
    for (;;) {
        if (y4m && read_line(0, line, y4m_line_limit) <= 0)
            return 0;
        if (read_frame(0, source.data(), source_bytes) != int64_t(source_bytes))
            return 0;
        if (write_frame(1, out, output_bytes + (y4m ? 6 : 0)) != 0)
            return 1;
    }
}
