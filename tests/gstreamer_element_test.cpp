// The element on its own, in a GstHarness, for what a pipeline cannot stage:
// every way negotiation can start before the first buffer, each refusal as
// queries and caps meet it, buffers that do not hold their frame, and a mixed
// stream. The element is found through GST_PLUGIN_PATH.

#include "tests/frame_model.h"

#include <gst/check/gstharness.h>
#include <gst/video/video.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// The element in `mode`, its downstream taking `sink_caps` (any when empty),
// its messages on a bus of its own.
GstHarness* harness(const char* mode, const char* sink_caps = "")
{
    gst_init(nullptr, nullptr);
    GstHarness* h = gst_harness_new("chromafold");
    gst_util_set_object_arg(G_OBJECT(h->element), "mode", mode);
    GstBus* bus = gst_bus_new();
    gst_element_set_bus(h->element, bus);
    gst_object_unref(bus);
    if (*sink_caps)
        gst_harness_set_sink_caps_str(h, sink_caps);
    return h;
}

// The errors posted so far, a line each.
std::string errors(GstHarness* h)
{
    std::string all;
    GstBus* bus = gst_element_get_bus(h->element);
    while (GstMessage* m = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* error;
        gst_message_parse_error(m, &error, nullptr);
        all.append(error->message).append("\n");
        g_error_free(error);
        gst_message_unref(m);
    }
    gst_object_unref(bus);
    return all;
}

GstBuffer* frame(const std::vector<uint8_t>& bytes, bool interlaced, bool tff)
{
    GstBuffer* b = gst_buffer_new_memdup(bytes.data(), bytes.size());
    GST_BUFFER_FLAG_SET(b, (interlaced ? GST_VIDEO_BUFFER_FLAG_INTERLACED : 0) | (tff ? GST_VIDEO_BUFFER_FLAG_TFF : 0));
    return b;
}

// The field orders of the caps downstream has been sent since last asked (or
// the interlace mode of caps that say none).
std::string caps_sent(GstHarness* h)
{
    std::string sent;
    while (GstEvent* e = gst_harness_try_pull_event(h)) {
        GstCaps* caps;
        if (GST_EVENT_TYPE(e) == GST_EVENT_CAPS) {
            gst_event_parse_caps(e, &caps);
            const GstStructure* s = gst_caps_get_structure(caps, 0);
            const char* order = gst_structure_get_string(s, "field-order");
            sent.append(order ? order : gst_structure_get_string(s, "interlace-mode")).append(" ");
        }
        gst_event_unref(e);
    }
    return sent;
}

// Whatever starts the base class negotiating before the first buffer (an
// upstream ALLOCATION query, a reconfigure request from downstream, a new
// property, a flush as a seek makes it) leaves input caps without an order
// unsent until the first buffer says it, as an appsrc's or a decoder's
// buffers do; every caps event that leaves then carries the order of the
// buffers behind it, into 4:2:0 and back, and new caps wait for theirs.
TEST(Element, NoCapsLeaveBeforeTheOrderIsKnown)
{
    enum { allocation = 1, reconfigure = 2, property = 4, flush = 8 };
    const std::tuple<const char*, int, bool> cases[] = {
        {"I422_10LE", allocation, false}, {"I422_10LE", allocation | reconfigure, true}, {"Y42B", reconfigure, false},
        {"UYVY", property | allocation, false}, {"v210", flush, false}, {"I420", allocation | flush, false},
        {"NV12", 0, true}, {"UYVY,field-order=bottom-field-first", allocation, true}};
    for (const auto& [format, before, tff] : cases) {
        const std::string caps =
            "video/x-raw,width=104,height=72,framerate=25/1,interlace-mode=interleaved,format=" + std::string(format);
        const bool held = !std::strstr(format, "field-order");
        GstHarness* h = harness("keep");
        gst_harness_set_src_caps_str(h, caps.c_str());
        GstQuery* query = gst_query_new_allocation(gst_caps_from_string(caps.c_str()), TRUE);
        EXPECT_EQ((before & allocation) && gst_pad_peer_query(h->srcpad, query), (before & allocation) && !held);
        gst_query_unref(query);
        if (before & reconfigure)
            gst_harness_push_upstream_event(h, gst_event_new_reconfigure());
        if (before & property)
            gst_util_set_object_arg(G_OBJECT(h->element), "mode", "padding");
        if (before & flush) { // and the segment again, as after a seek
            GstEvent* segment = gst_pad_get_sticky_event(h->srcpad, GST_EVENT_SEGMENT, 0);
            gst_harness_push_event(h, gst_event_new_flush_start());
            gst_harness_push_event(h, gst_event_new_flush_stop(TRUE));
            gst_harness_push_event(h, segment);
        }
        EXPECT_EQ(held && gst_pad_has_current_caps(h->sinkpad), false) << format << ", " << before;
        GstVideoInfo info;
        gst_video_info_from_caps(&info, gst_caps_from_string(caps.c_str()));
        const std::vector<uint8_t> bytes(info.size);
        const char* said = held && tff ? "top-field-first " : "bottom-field-first ";
        GstBuffer* out = gst_harness_push_and_pull(h, frame(bytes, true, tff));
        EXPECT_EQ(caps_sent(h), said) << format << ", " << before;
        EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(out, GST_VIDEO_BUFFER_FLAG_TFF), said[0] == 't') << format;
        gst_buffer_unref(out);
        gst_harness_set_src_caps_str(h, (caps + ",pixel-aspect-ratio=10/11").c_str());
        gst_buffer_unref(gst_harness_push_and_pull(h, frame(bytes, true, !tff)));
        EXPECT_EQ(caps_sent(h), !held ? said : tff ? "bottom-field-first " : "top-field-first ") << format;
        EXPECT_EQ(errors(h), "") << format;
        gst_harness_teardown(h);
    }
}

// A query only answers: input the element refuses gets a plain no, with
// nothing on the bus. Set, the same caps give one element error that says
// why however often they are sent; an output downstream does not take is
// refused where it is found.
TEST(Element, EachRefusalIsPostedOnceWhereTheCapsAreSet)
{
    const auto interleaved = [](const char* fields) { return std::string(fields) + ",interlace-mode=interleaved"; };
    const std::tuple<std::string, const char*, const char*, const char*> cases[] = { // caps, mode, downstream, message
        {"UYVY,width=104,height=70,interlace-mode=progressive", "keep", "", "interlaced video, and its input is progressive."},
        {"UYVY,width=104,height=70", "keep", "", "interlaced video, and its input is progressive."},
        {interleaved("UYVY,width=721,height=486"), "keep", "", "even width, and its input is 721 pixels wide."},
        {interleaved("UYVY,width=14,height=20"), "clip", "", "16 pixels and 32 rows, and a 14x20 input leaves nothing."},
        {interleaved("UYVY,width=720,height=3"), "keep", "", "two of each field, and an input of 3 rows has none."},
        {interleaved("GRAY8,width=104,height=70"), "keep", "", "4:2:2 (UYVY, YUY2, v210, Y42B, NV16 or I422_10LE) and "
                                                            "4:2:0 (I420, NV12, I420_10LE or P010_10LE), and its input is GRAY8."},
        {interleaved("I420,width=104,height=70"), "keep", "", "of a multiple of 4 rows, and its input is 70 rows high."},
        {interleaved("I420,width=104,height=72,field-order=top-field-first"), "keep", "video/x-raw,format=NV12",
         "I420 into UYVY, YUY2, v210, Y42B, NV16 or I422_10LE, and downstream takes none of them."},
    };
    for (const auto& [fields, mode, sink, message] : cases) {
        GstHarness* h = harness(mode, sink);
        GstCaps* caps = gst_caps_from_string(("video/x-raw,framerate=25/1,format=" + fields).c_str());
        EXPECT_EQ(gst_pad_peer_query_accept_caps(h->srcpad, caps), *sink != 0) << fields;
        EXPECT_EQ(errors(h), "") << fields;
        for (int again = 0; again < 2; ++again)
            gst_harness_push_event(h, gst_event_new_caps(caps));
        const std::string said = errors(h);
        EXPECT_TRUE(said.find("chromafold ") < 15 && said.ends_with(message + std::string("\n")) &&
                    said.find('\n') == said.size() - 1)
            << fields << ": " << said;
        gst_caps_unref(caps);
        gst_harness_teardown(h);
    }
}

// A buffer that does not hold its frame, by its size or by a video meta whose
// planes run past it (or past the memory that holds their start, which is
// all that is mapped of them), is never read past its memory and never
// becomes an output frame: the stream stops with one error that names the
// sizes. A meta that fits converts, as rawvideoparse's do in the pipeline
// suite, whose every pair is compared with the model.
TEST(Element, BuffersThatDoNotHoldTheirFrameStopTheStream)
{
    struct Case {
        const char* format;
        gssize size; // of the buffer; -1: the frame's
        int planes;  // of its meta, 0: none
        gsize offset[4];
        gint stride[4];
        gsize split;         // the buffer in two memories at this byte, 0: one
        const char* message; // what the error says of it; empty: converted
    };
    const Case cases[] = {
        {"UYVY", 14559, 0, {}, {}, 0, "buffer holds 14559 bytes, and a 104x70 UYVY frame takes 14560."},
        {"UYVY", 7280, 0, {}, {}, 0, "buffer holds 7280 bytes, and a 104x70 UYVY frame takes 14560."},
        {"v210", 0, 0, {}, {}, 0, "buffer holds 0 bytes, and a 104x70 v210 frame takes 26880."},
        {"UYVY", -1, 1, {0}, {256}, 0, "plane 0 (offset 0, stride 256, 70 rows of 208 bytes) does not fit the 14560 "},
        {"Y42B", -1, 3, {0, 7280, 10920}, {104, 52, 52}, 0, ""},
        {"Y42B", -1, 3, {0, 7280, 10972}, {104, 52, 52}, 0, "plane 2 (offset 10972, stride 52, 70 rows of 52 bytes) "
                                                           "does not fit the 3588 bytes of memory from its offset."},
        {"Y42B", -1, 3, {0, 7280, 21840}, {104, 52, 52}, 0, "plane 2 (offset 21840, stride 52, 70 rows of 52 bytes) "
                                                           "does not fit the 0 "},
        {"Y42B", -1, 3, {0, 7280, 10920}, {104, -52, 52}, 0, "plane 1 (offset 7280, stride -52, 70 rows of 52 bytes) "
                                                            "does not fit the 7280 "},
        {"Y42B", -1, 3, {0, 7280, 10920}, {104, 52, 52}, 7380, "plane 1 (offset 7280, stride 52, 70 rows of 52 "
                                                              "bytes) does not fit the 100 "},
    };
    for (const Case& c : cases) {
        GstHarness* h = harness("keep", "video/x-raw,format=I420");
        gst_harness_set_src_caps_str(h, (std::string("video/x-raw,width=104,height=70,framerate=25/1,interlace-mode="
                                                     "interleaved,field-order=top-field-first,format=") +
                                         c.format)
                                            .c_str());
        const std::vector<uint8_t> bytes = random_bytes(7, c.size < 0 ? frame_bytes(i422, 104, 70) : gsize(c.size));
        GstBuffer* buffer = gst_buffer_new();
        const gsize cut = c.split ? c.split : bytes.size();
        for (const auto& [start, end] : {std::pair{gsize(0), cut}, {cut, bytes.size()}})
            if (gpointer copy = end > start ? g_memdup2(bytes.data() + start, end - start) : nullptr)
                gst_buffer_append_memory(
                    buffer, gst_memory_new_wrapped(GstMemoryFlags(0), copy, end - start, 0, end - start, copy, g_free));
        if (c.planes)
            gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, gst_video_format_from_string(c.format),
                                           104, 70, guint(c.planes), const_cast<gsize*>(c.offset),
                                           const_cast<gint*>(c.stride));
        const GstFlowReturn flow = gst_harness_push(h, buffer);
        const std::string said = errors(h);
        EXPECT_EQ(flow, *c.message ? GST_FLOW_ERROR : GST_FLOW_OK) << c.message << said;
        EXPECT_EQ(gst_harness_buffers_in_queue(h), *c.message ? 0u : 1u) << c.message;
        EXPECT_TRUE(*c.message ? said.starts_with("The input ") && said.find(c.message) != std::string::npos &&
                                     said.find('\n') == said.size() - 1
                               : said.empty())
            << c.message << ": " << said;
        gst_harness_teardown(h);
    }
}

// A mixed stream, as MPEG-2 4:2:2 decoders give one: frames flagged
// interlaced, top field first and then bottom field first, and frames not
// flagged, in turn, each converted by its own scan and keeping its flags,
// the output's caps mixed.
TEST(Element, MixedStreamsConvertEachFrameByItsOwnScan)
{
    GstHarness* h = harness("keep", "video/x-raw,format=NV12");
    gst_harness_set_src_caps_str(h, "video/x-raw,format=Y42B,width=104,height=70,framerate=25/1,interlace-mode=mixed");
    chromafold_geometry g;
    chromafold_frame_geometry(104, 70, CHROMAFOLD_MODE_KEEP, &g);
    for (int n = 0; n < 6; ++n) {
        const bool interlaced = n % 3 != 2, tff = n % 3 == 0;
        const std::vector<uint8_t> sent = random_bytes(uint64_t(n + 1), frame_bytes(i422, 104, 70));
        GstBuffer* out = gst_harness_push_and_pull(h, frame(sent, interlaced, tff));
        const std::vector<uint8_t> want =
            model_frame(i422, nv12, interlaced ? CHROMAFOLD_SCAN_INTERLACED : CHROMAFOLD_SCAN_PROGRESSIVE, sent, g);
        EXPECT_TRUE(gst_buffer_get_size(out) == want.size() && !gst_buffer_memcmp(out, 0, want.data(), want.size()));
        EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(out, GST_VIDEO_BUFFER_FLAG_INTERLACED), interlaced) << n;
        EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(out, GST_VIDEO_BUFFER_FLAG_TFF), tff) << n;
        gst_buffer_unref(out);
    }
    EXPECT_EQ(caps_sent(h), "mixed ");
    gst_harness_teardown(h);
}

} // namespace
