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
    int status = 0;
    if (!standard(options.output) && names_open_file(options.output, ends.input))
        status = refuse(stderr, failed_io,
                        "error - the output %s is the input itself; nothing was written, so the input is intact\n",
                        options.output);
    else if (!standard(options.output) && (ends.output = open_output(options.output, 0666)) < 0)
        status = refuse(stderr, failed_io, "error - cannot create %s: %s\n", options.output, std::strerror(errno));
    if (status != 0) {
        if (!standard(options.input))
            close_file(ends.input);
        return status;
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
    if (!standard(options.output) && close_file(ends.output) != 0 && status == converted) {
        std::fprintf(stderr, "error - cannot write %s: %s\n", ends.output_name, std::strerror(errno));
        status = failed_io;
    }
    if (!standard(options.input))
        close_file(ends.input);
    return status;
}
