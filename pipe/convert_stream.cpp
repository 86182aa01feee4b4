#include "pipe/convert_stream.h"

#include "pipe/layouts.h"
#include "pipe/messages.h"
#include "pipe/y4m.h"
#include "platform/frame_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// What a stream is, once its header and the command line are read.
struct StreamPlan {
    const PipeLayout* source;
    const PipeLayout* output;
    chromafold_geometry geometry;
    char interlacing; // t, b, p, or m for a scan per frame
    bool y4m_input, y4m_output;
    StreamHeader header;
    uint64_t header_bytes; // of the input's stream header line
};

struct Progress {
    std::chrono::steady_clock::time_point start, shown;
    int64_t frames = 0;
    uint64_t bytes_read = 0;
    size_t width = 0; // of the longest line shown
};

// Reads the stream header of YUV4MPEG2 input into the plan; 0, or the status.
int read_stream_header(const StreamEnds& ends, StreamPlan& plan, FILE* messages)
{
    std::string line, why;
    const int64_t got = read_line(ends.input, line, y4m_line_limit);
    if (got < 0)
        return refuse(messages, failed_io, "error - cannot read %s: %s\n", ends.input_name, std::strerror(errno));
    const std::string_view text = line;
    plan.header_bytes = line.size();
    // An empty input most often means that the program writing it failed.
    if (text.empty())
        return refuse(messages, refused_input,
                      "error - %s ended before any stream header: what writes it wrote nothing\n", ends.input_name);
    if (!text.starts_with(y4m_signature) ||
        (text.size() > y4m_signature.size() && text[y4m_signature.size()] != ' ' && text[y4m_signature.size()] != '\n'))
        return refuse(messages, refused_input,
                      "error - %s does not begin with a YUV4MPEG2 stream header (headerless frames "
                      "need --from and --size)\n",
                      ends.input_name);
    if (!text.ends_with('\n'))
        return refuse(messages, refused_input, "error - the stream header does not end within %d bytes\n",
                      int(y4m_line_limit));
    if (!parse_stream_header(text.substr(y4m_signature.size(), text.size() - y4m_signature.size() - 1), plan.header,
                             &why))
        return refuse(messages, refused_input, "%s\n", why.c_str());
    plan.source = layout_of_chroma(plan.header.chroma);
    if (!plan.source)
        return refuse(messages, refused_input,
                      "error - chroma C%s is not converted: chromafold-pipe takes C422 and C422p10 "
                      "into 4:2:0, and C420, C420jpeg, C420mpeg2 and C420p10, whose chroma lies "
                      "between the rows of each pair, back into 4:2:2\n",
                      plan.header.chroma.c_str());
    return 0;
}

// Settles the layouts, the size, the interlacing and the output of a stream;
// 0, or the status after saying why it cannot be converted.
int plan_stream(const PipeOptions& options, const StreamEnds& ends, StreamPlan& plan, FILE* messages)
{
    plan.y4m_input = !options.from;
    if (plan.y4m_input) {
        if (const int status = read_stream_header(ends, plan, messages); status != 0)
            return status;
    } else {
        plan.source = options.from;
        plan.header.width = options.width;
        plan.header.height = options.height;
        plan.header.interlacing = 't';
        plan.header.tags = {"W", "H", "F" + options.rate};
    }
    const char order = plan.header.interlacing;
    plan.interlacing = options.progressive ? 'p' : options.field_order ? options.field_order : order;
    if (plan.y4m_input && !options.progressive && !options.field_order && order != 't' && order != 'b' && order != 'm')
        return refuse(messages, refused_input,
                      "error - the stream says no field order (%s): give it with --field-order tff "
                      "or bff, or convert its frames as progressive ones with --progressive\n",
                      order == 'p'   ? "Ip"
                      : order == '?' ? "I?"
                                     : "no I tag");
    plan.output = options.to ? options.to : &planar_counterpart(*plan.source, options.depth);
    if (subsampled(*plan.output) == subsampled(*plan.source))
        return refuse(messages, refused_options,
                      "error - --to %s: the input is %s, and chromafold converts it into %s\n",
                      describe(*plan.output).name, describe(*plan.source).name,
                      layout_names(!subsampled(*plan.source)).c_str());
    plan.y4m_output = !options.raw && !options.to;
    if (plan.y4m_output && !plan.y4m_input && options.rate.empty())
        return refuse(messages, refused_options,
                      "error - YUV4MPEG2 output needs a frame rate, which headerless input does not "
                      "give: add --rate, such as --rate 30000:1001, or write headerless frames with "
                      "--raw or --to\n");
    const int32_t width = plan.header.width, height = plan.header.height;
    chromafold_geometry& g = plan.geometry;
    if (chromafold_frame_geometry(width, height, options.mode, &g) != 0)
        return refuse(messages, refused_input,
                      "error - a %" PRId32 "x%" PRId32 " frame: chromafold converts frames of an "
                      "even width of 2 to 32768 pixels and 1 to 32768 rows\n",
                      width, height);
    if (subsampled(*plan.source) && height % 4 != 0)
        return refuse(messages, refused_input,
                      "error - a 4:2:0 frame of %" PRId32 " rows: chromafold takes 4:2:0 frames of a "
                      "multiple of 4 rows, whose fields hold whole pairs of chroma rows\n",
                      height);
    if (g.dst_width == 0 || g.dst_height == 0)
        return refuse(messages, refused_input,
                      "error - mode %s leaves nothing of a %" PRId32 "x%" PRId32 " frame (clip "
                      "rounds down to 16 x 32, keep to whole groups of 4 rows)\n",
                      options.mode == CHROMAFOLD_MODE_CLIP ? "clip" : "keep", width, height);
    return 0;
}

// Reads frame `number`: of YUV4MPEG2, its FRAME line into `line`; then its
// planes into `source`. Returns `converted` with the frame in hand, -1 at the
// end of the input, or the status after saying why the stream stops there.
int next_frame(const StreamPlan& plan, const StreamEnds& ends, int64_t number, std::string& line, uint8_t* source,
               uint64_t bytes, FILE* messages)
{
    line.clear();
    int64_t got = plan.y4m_input ? read_line(ends.input, line, y4m_line_limit) : 0;
    const std::string_view text = line;
    if (got > 0 && !(text.starts_with("FRAME ") || text.starts_with("FRAME\n") || frame_marker.starts_with(text)))
        return refuse(messages, refused_input, "error - frame %" PRId64 " does not begin with a FRAME line\n", number);
    if (got > 0 && !text.ends_with('\n') && got == int64_t(y4m_line_limit))
        return refuse(messages, refused_input,
                      "error - the FRAME line of frame %" PRId64 " does not end within %d bytes\n", number,
                      int(y4m_line_limit));
    if (got > 0 && !text.ends_with('\n'))
        return refuse(messages, cut_short,
                      "error - the input ends within the FRAME line of frame %" PRId64 " (%" PRId64
                      " whole frames converted)\n",
                      number, number - 1);
    if (got >= 0 && !(plan.y4m_input && line.empty()))
        got = read_frame(ends.input, source, bytes);
    if (got < 0)
        return refuse(messages, failed_io, "error - cannot read %s: %s\n", ends.input_name, std::strerror(errno));
    if (got == 0 && line.empty())
        return -1;
    if (uint64_t(got) < bytes)
        return refuse(messages, cut_short,
                      "error - frame %" PRId64 " is cut short: the input ends %" PRIu64 " bytes "
                      "before its end (%" PRId64 " whole frames converted)\n",
                      number, bytes - uint64_t(got), number - 1);
    return converted;
}

// Shows progress at most four times a second, and once at the end: one line
// that each overwrites, padded with spaces over a longer one before it, since
// not every console takes control sequences.
void show_progress(Progress& p, const StreamEnds& ends, FILE* messages, bool last)
{
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - p.shown < std::chrono::milliseconds(250))
        return;
    p.shown = now;
    const double seconds = std::chrono::duration<double>(now - p.start).count();
    std::string line =
        message("%" PRId64 " frames, %.1f frames a second", p.frames, seconds > 0 ? double(p.frames) / seconds : 0.0);
    if (ends.input_size > 0 && p.bytes_read > 0) {
        const double done = double(p.bytes_read) / double(ends.input_size);
        const int64_t left = int64_t(seconds * (1 - done) / done + 0.5);
        line += message(", %.0f%%, %" PRId64 ":%02" PRId64 " left", 100 * done, left / 60, left % 60);
    }
    std::fprintf(messages, "\r%-*s", int(p.width), line.c_str());
    p.width = std::max(p.width, line.size());
    std::fflush(messages);
}

} // namespace

int convert_stream(const PipeOptions& options, const StreamEnds& ends, FILE* messages, bool progress)
{
    StreamPlan plan{};
    if (const int status = plan_stream(options, ends, plan, messages); status != 0)
        return status;
    const chromafold_geometry& g = plan.geometry;
    const FramePlanes in = contiguous_frame(*plan.source, g.src_width, g.src_height);
    const FramePlanes out = contiguous_frame(*plan.output, g.dst_width, g.dst_height);
    // Room before the output frame for its FRAME line, written with it.
    const uint64_t room = plan.y4m_output ? y4m_line_limit + frame_marker.size() + 1 : 0;
    uint8_t* const source = static_cast<uint8_t*>(std::malloc(in.bytes));
    uint8_t* const output = static_cast<uint8_t*>(std::malloc(room + out.bytes));
    if (!source || !output) {
        std::free(source);
        std::free(output);
        return refuse(messages, failed_io,
                      "error - not enough memory for frames of %" PRIu64 " and %" PRIu64 " bytes\n", in.bytes,
                      out.bytes);
    }
    const chromafold_source_planes source_planes{{source + in.offset[0], source + in.offset[1], source + in.offset[2]},
                                                 {in.stride[0], in.stride[1], in.stride[2]}};
    uint8_t* const frame = output + room;
    const chromafold_planes output_planes{{frame + out.offset[0], frame + out.offset[1], frame + out.offset[2]},
                                          {out.stride[0], out.stride[1], out.stride[2]}};
    Progress shown{std::chrono::steady_clock::now(), std::chrono::steady_clock::now(), 0, plan.header_bytes};
    std::string header = plan.y4m_output
                             ? output_header(plan.header, g.dst_width, g.dst_height, plan.interlacing, plan.output->y4m)
                             : "";
    int status = converted,
        error = write_frame(ends.output, reinterpret_cast<const uint8_t*>(header.data()), header.size()) ? errno : 0;
    std::string line;
    for (int64_t number = 1; status == converted && error == 0; ++number) {
        status = next_frame(plan, ends, number, line, source, in.bytes, messages);
        if (status != converted)
            break;
        shown.bytes_read += line.size() + in.bytes;
        const std::string_view tags = line.size() > 6 ? std::string_view(line).substr(6, line.size() - 7) : "";
        const char sampling =
            plan.interlacing != 'm' ? plan.interlacing : frame_sampling(tags, subsampled(*plan.source));
        if (!sampling) {
            status = refuse(messages, refused_input,
                            "error - frame %" PRId64 " of a mixed (Im) stream says not how it was sampled: its "
                            "FRAME line needs an I tag, such as Itip or Ibii\n",
                            number);
            break;
        }
        chromafold_convert_planes(&g, sampling == 'p' ? CHROMAFOLD_SCAN_PROGRESSIVE : CHROMAFOLD_SCAN_INTERLACED,
                                  plan.source->code, &source_planes, plan.output->code, &output_planes);
        // The FRAME line goes out with the frame's planes: the input's own,
        // its tags passed on, or a bare one.
        const std::string_view marker = !plan.y4m_output ? "" : tags.empty() ? "FRAME\n" : std::string_view(line);
        std::memcpy(frame - marker.size(), marker.data(), marker.size());
        error = write_frame(ends.output, frame - marker.size(), marker.size() + out.bytes) ? errno : 0;
        ++shown.frames;
        if (progress && error == 0)
            show_progress(shown, ends, messages, false);
    }
    status = status < 0 ? converted : status;
    std::free(source);
    std::free(output);
    // A reader that went away ends the stream quietly.
    if (error != 0 && error != EPIPE)
        std::fprintf(messages, "error - cannot write %s: %s\n", ends.output_name, std::strerror(error));
    if (error != 0)
        return failed_io;
    if (progress && status == converted)
        show_progress(shown, ends, messages, true);
    if (!options.quiet && status == converted)
        std::fprintf(messages, "%s%" PRId64 " frames converted\n", progress ? "\n" : "", shown.frames);
    return status;
}
