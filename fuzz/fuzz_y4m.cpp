// chromafold-pipe's YUV4MPEG2 reading from fuzz input: the first byte
// chooses the mode, the sampling and the output; the rest is the stream,
// read from a memory file by the pipe's own conversion into /dev/null. Every
// stream must end in one of the pipe's statuses, never in a crash or an
// overrun. A stream header that parses must parse again as the pipe writes
// it, with the output's size, interlacing and chroma, and every tag it had.

#include "pipe/convert_stream.h"
#include "pipe/y4m.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t end = stream.find('\n');
    StreamHeader header, again;
    std::string why;
    if (stream.starts_with("YUV4MPEG2") && end != std::string::npos &&
        parse_stream_header(std::string_view(stream).substr(9, end - 9), header, &why)) {
        const std::string written = output_header(header, header.width, header.height, 'b', "420p10");
        if (!parse_stream_header(std::string_view(written).substr(9, written.size() - 10), again, &why) ||
            again.width != header.width || again.height != header.height || again.interlacing != 'b' ||
            again.chroma != "420p10" || again.tags.size() < header.tags.size())
            std::abort();
        // Frames of more than a quarter of a megapixel take the fuzzer's
        // time without reaching more of the parser.
        if (int64_t(header.width) * header.height > (1 << 18))
            return 0;
    }
    PipeOptions options;
    options.mode = data[0] % 3;
    options.progressive = data[0] & 4;
    options.field_order = (data[0] & 8) && !options.progressive ? 'b' : 0;
    options.raw = data[0] & 16;
    options.quiet = data[0] & 32;
    const int input = memfd_create("stream", 0);
    if (input < 0 || write(input, stream.data(), stream.size()) != ssize_t(stream.size()) || lseek(input, 0, SEEK_SET))
        std::abort();
    FILE* messages = std::fopen("/dev/null", "w");
    const StreamEnds ends{input, fileno(messages), "fuzz input", "/dev/null", int64_t(stream.size())};
    const int status = convert_stream(options, ends, messages, data[0] & 64);
    if (status < converted || status > failed_io)
        std::abort();
    std::fclose(messages);
    close(input);
    return 0;
}
