// The I/O floor of a conversion: the same command line, the same files, the
// same reads and writes of the same sizes as chromafold, with no conversion in
// between. chromafold can be no faster than this.

#include "cli/options.h"
#include "cli/output_name.h"
#include "lib/geometry.h"
#include "platform/frame_io.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char* argv[])
{
    Settings settings;
    const int first = parse_options(settings, argc, argv);
    const chromafold_geometry geometry = frame_geometry(settings.width, settings.height, settings.mode);
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(geometry.src_bytes + geometry.dst_bytes));
    if (!buffer || geometry.src_bytes == 0)
        return 1;
    // Output bytes that were never converted are still bytes: fill them once.
    std::memset(buffer + geometry.src_bytes, 16, geometry.dst_bytes);
    char name[output_name_capacity];
    for (int i = first; i < argc; ++i) {
        if (make_output_name(name, argv[i]) != 0)
            return 1;
        const int source = open_source(argv[i]);
        const int output = source < 0 ? -1 : open_output(name, 0600);
        if (output < 0)
            return 1;
        while (read_frame(source, buffer, geometry.src_bytes) == int64_t(geometry.src_bytes)) {
            if (write_frame(output, buffer + geometry.src_bytes, geometry.dst_bytes) != 0)
                return 1;
        }
        close_file(source);
        close_file(output);
    }
    std::free(buffer);
    return 0;
}
