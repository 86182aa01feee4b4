#include "pipe/options.h"

#include "pipe/messages.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

constexpr char usage[] = "usage: chromafold-pipe [options] [INPUT [OUTPUT]]\n"
                         "Converts a stream of interlaced frames from 4:2:2 into 4:2:0, or back,\n"
                         "exactly, at their size: YUV4MPEG2 in and out unless told otherwise.\n"
                         "INPUT and OUTPUT are files; - or none is standard input or output.\n"
                         "  --from FORMAT        headerless input frames of FORMAT (needs --size)\n"
                         "  --size WxH           the size of headerless input frames\n"
                         "  --rate N:D           their frame rate, for YUV4MPEG2 output\n"
                         "  --to FORMAT          headerless output frames of FORMAT\n"
                         "  --raw                headerless output frames: i420 or i010 from 4:2:2,\n"
                         "                       i422 or i422_10 from 4:2:0\n"
                         "  --depth 8|10         the output's depth, the input's by default; each\n"
                         "                       sample rounded once\n"
                         "  --mode MODE          keep (the size, its height rounded down to a\n"
                         "                       multiple of 4), clip or padding (to 16 x 32)\n"
                         "  --field-order ORDER  tff or bff, whatever the input says\n"
                         "  --progressive        convert the frames as progressive ones\n"
                         "  --quiet              no progress and no summary\n"
                         "  --help, --version\n"
                         "FORMAT: uyvy, yuy2, v210, i422, nv16, i422_10, p210 (4:2:2);\n"
                         "        i420, nv12, i010, p010 (4:2:0)\n";

// A positive decimal number of one to nine digits, or -1.
int32_t positive(std::string_view digits)
{
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return -1;
    const int32_t value = std::atoi(std::string(digits).c_str());
    return value > 0 ? value : -1;
}

// Reads an option's value into `options`; 0, or 1 after saying why not.
int take_value(std::string_view name, const char* value, PipeOptions& options, FILE* messages)
{
    const std::string_view text = value;
    if (name == "--from" || name == "--to") {
        const PipeLayout* layout = layout_named(text);
        if (!layout)
            return refuse(messages, 1, "error - unknown format '%s' for %.*s: %s (4:2:2), %s (4:2:0)\n", value,
                          int(name.size()), name.data(), layout_names(false).c_str(), layout_names(true).c_str());
        (name == "--from" ? options.from : options.to) = layout;
    } else if (name == "--size") {
        const size_t x = text.find('x');
        options.width = x == std::string_view::npos ? -1 : positive(text.substr(0, x));
        options.height = x == std::string_view::npos ? -1 : positive(text.substr(x + 1));
        if (options.width < 0 || options.height < 0)
            return refuse(messages, 1, "error - size '%s' is not WIDTHxHEIGHT, such as 1920x1080\n", value);
    } else if (name == "--rate") {
        const size_t colon = text.find(':');
        const bool whole = colon == std::string_view::npos;
        if (positive(text.substr(0, colon)) < 0 || (!whole && positive(text.substr(colon + 1)) < 0))
            return refuse(messages, 1, "error - rate '%s' is not N:D or N, such as 30000:1001 or 25\n", value);
        options.rate = whole ? std::string(text) + ":1" : std::string(text);
    } else if (name == "--depth") {
        if (text != "8" && text != "10")
            return refuse(messages, 1, "error - unknown depth '%s': 8 or 10\n", value);
        options.depth = text == "8" ? 8 : 10;
    } else if (name == "--mode") {
        const char* const modes[] = {"clip", "padding", "keep"};
        options.mode = -1;
        for (int32_t m = 0; m < 3; ++m)
            if (text == modes[m])
                options.mode = m;
        if (options.mode < 0)
            return refuse(messages, 1, "error - unknown mode '%s': keep, clip or padding\n", value);
    } else {
        if (text != "tff" && text != "bff")
            return refuse(messages, 1, "error - unknown field order '%s': tff or bff\n", value);
        options.field_order = text[0];
    }
    return 0;
}

} // namespace

int read_pipe_options(int argc, char* const argv[], PipeOptions& options, FILE* messages)
{
    const std::string_view valued[] = {"--from", "--size", "--rate", "--to", "--depth", "--mode", "--field-order"};
    const char* files[2] = {"-", "-"};
    int file_count = 0;
    bool options_end = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options_end || arg == "-" || !arg.starts_with("--")) {
            if (file_count == 2)
                return refuse(messages, 1, "error - too many files: %s (INPUT and OUTPUT at most)\n", argv[i]);
            files[file_count++] = argv[i];
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        bool takes_value = false;
        for (std::string_view v : valued)
            takes_value = takes_value || name == v;
        if (arg == "--") {
            options_end = true;
        } else if (takes_value) {
            const char* value = equals != std::string_view::npos ? argv[i] + equals + 1
                                : i + 1 < argc                   ? argv[++i]
                                                                 : nullptr;
            if (!value)
                return refuse(messages, 1, "error - option %s needs a value\n", argv[i]);
            if (take_value(name, value, options, messages) != 0)
                return 1;
        } else if (equals == std::string_view::npos && (arg == "--raw" || arg == "--progressive" || arg == "--quiet")) {
            (arg == "--raw" ? options.raw : arg == "--quiet" ? options.quiet : options.progressive) = true;
        } else if (arg == "--help" || arg == "--version") {
            std::printf("%s", arg == "--help" ? usage : "");
            if (arg == "--version")
                std::printf("chromafold-pipe %s\n", chromafold_version());
            return 0;
        } else {
            return refuse(messages, 1, "error - unknown option %s (chromafold-pipe --help lists them)\n", argv[i]);
        }
    }
    options.input = files[0];
    options.output = files[1];
    if (options.from && !options.width)
        return refuse(messages, 1, "error - --from needs --size, the size of the headerless frames\n");
    if (!options.from && (options.width || !options.rate.empty()))
        return refuse(messages, 1, "error - --size and --rate describe headerless input, and need --from\n");
    if (options.depth && options.to)
        return refuse(messages, 1, "error - --depth and --to each choose the output's layout: give one\n");
    if (options.field_order && options.progressive)
        return refuse(messages, 1,
                      "error - --field-order and --progressive each say how the frames were "
                      "sampled: give one\n");
    return -1;
}
