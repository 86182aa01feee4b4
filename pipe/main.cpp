#include "pipe/convert_stream.h"
#include "pipe/messages.h"
#include "pipe/options.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool standard(const char* name)
{
    return std::strcmp(name, "-") == 0;
}

// Opens the input, then the output, which must not be the input under
// another name: opening it would truncate the input before it is read.
// Returns 0, or the status after saying why not; closes what it opened then.
int open_ends(const PipeOptions& options, StreamEnds& ends)
{
    ends = {0, 1, standard(options.input) ? "standard input" : options.input,
            standard(options.output) ? "standard output" : options.output, -1};
    errno = 0;
    if (!standard(options.input) && (ends.input = open_source(options.input)) < 0)
        return refuse(stderr, failed_io, "error - cannot open %s: %s\n", options.input,
                      errno ? std::strerror(errno) : "it is a folder");
    if (!standard(options.output) && names_open_file(options.output, ends.input)) {
        std::fprintf(stderr,
                     "error - the output %s is the input itself; nothing was written, so the input is "
                     "intact\n",
                     options.output);
        if (ends.input != 0)
            close_file(ends.input);
        return failed_io;
    }
    if (!standard(options.output) && (ends.output = open_output(options.output, 0666)) < 0) {
        std::fprintf(stderr, "error - cannot create %s: %s\n", options.output, std::strerror(errno));
        if (ends.input != 0)
            close_file(ends.input);
        return failed_io;
    }
    use_for_frames(ends.input);
    use_for_frames(ends.output);
    ends.input_size = regular_file_size(ends.input);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    PipeOptions options;
    if (const int status = read_pipe_options(argc, argv, options, stderr); status >= 0)
        return status;
    StreamEnds ends;
    if (const int status = open_ends(options, ends); status != 0)
        return status;
    int status = convert_stream(options, ends, stderr, !options.quiet && is_terminal(stderr));
    if (ends.output != 1 && close_file(ends.output) != 0 && status == converted) {
        std::fprintf(stderr, "error - cannot write %s: %s\n", ends.output_name, std::strerror(errno));
        status = failed_io;
    }
    if (ends.input != 0)
        close_file(ends.input);
    return status;
}
