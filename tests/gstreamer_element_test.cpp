// The element on its own, in a GstHarness, for what a pipeline cannot stage:
// every way negotiation can start before the first buffer, each refusal as
// queries and caps meet it, buffers that do not hold their frame, and a mixed
// stream. The element is found through GST_PLUGIN_PATH.

#include "tests/frame_model.h"

#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct Harness {
    GstHarness* h;
    GstBus* bus;
};

// The element in a harness whose messages go to a bus of its own, in `mode`,
// its downstream taking `sink_caps` (any caps when empty).
Harness harness(const char* mode = "keep", const char* sink_caps = "")
{
    gst_init(nullptr, nullptr);
    Harness t{gst_harness_new("chromafold"), gst_bus_new()};
    gst_util_set_object_arg(G_OBJECT(t.h->element), "mode", mode);
    gst_element_set_bus(t.h->element, t.bus);
    if (*sink_caps)
        gst_harness_set_sink_caps_str(t.h, sink_caps);
    return t;
}

void teardown(Harness& t)
{
    gst_harness_teardown(t.h);
    gst_object_unref(t.bus);
}

// The texts of the errors posted so far, one a line; each names the source
// file it came from relative to the tree, as a plugin built anywhere does.
std::string errors(const Harness& t)
{
    std::string all;
    while (GstMessage* m = gst_bus_pop_filtered(t.bus, GST_MESSAGE_ERROR)) {
        GError* error;
        gchar* debug;
        gst_message_parse_error(m, &error, &debug);
        const bool relative = std::strstr(debug, "gst/gstchromafold.c") && !std::strstr(debug, "/gst/gstchromafold.c");
        all += error->message + std::string(relative ? "" : " (from elsewhere)") + "\n";
        g_error_free(error);
        g_free(debug);
        gst_message_unref(m);
    }
    return all;
}

GstBuffer* frame(const std::vector<uint8_t>& bytes, bool interlaced, bool tff)
{
    GstBuffer* b = gst_buffer_new_memdup(bytes.data(), bytes.size());
    if (interlaced)
        GST_BUFFER_FLAG_SET(b, GST_VIDEO_BUFFER_FLAG_INTERLACED);
    if (tff)
        GST_BUFFER_FLAG_SET(b, GST_VIDEO_BUFFER_FLAG_TFF);
    return b;
}

std::string order_of(GstCaps* caps)
{
    const char* order = caps ? gst_structure_get_string(gst_caps_get_structure(caps, 0), "field-order") : nullptr;
    return caps ? order ? order : "none" : "no caps";
}

// The caps downstream has seen, by their field orders.
std::string caps_seen(GstHarness* h)
{
    std::string seen;
    while (GstEvent* e = gst_harness_try_pull_event(h)) {
        if (GST_EVENT_TYPE(e) == GST_EVENT_CAPS) {
            GstCaps* caps;
            gst_event_parse_caps(e, &caps);
            seen += order_of(caps) + " ";
        }
        gst_event_unref(e);
    }
    return seen;
}

// Whatever starts the base class negotiating before the first buffer (an
// upstream ALLOCATION query, a reconfigure request from downstream, a new
// property, a flush as a seek makes it) leaves the caps unsent until the
// first buffer says the order, and every caps event that leaves then carries
// the order the buffers say, into 4:2:0 and back; new caps without an order
// wait for the buffers after them.
TEST(Element, NoCapsLeaveBeforeTheOrderIsKnown)
{
    enum Before { allocation = 1, reconfigure = 2, property = 4, flush = 8 };
    struct Case {
        const char* caps;
        int before;
        bool tff;
        const char* want;
    };
    const Case cases[] = {
        {"format=I422_10LE", allocation, false, "bottom-field-first "},
        {"format=I422_10LE", allocation | reconfigure, true, "top-field-first "},
        {"format=Y42B", reconfigure, false, "bottom-field-first "},
        {"format=UYVY", property | allocation, false, "bottom-field-first "},
        {"format=v210", flush, false, "bottom-field-first "},
        {"format=I420", allocation | flush, false, "bottom-field-first "},
        {"format=NV12", 0, true, "top-field-first "},
        {"format=UYVY,field-order=bottom-field-first", allocation, true, "bottom-field-first "},
    };
    for (const Case& c : cases) {
        const std::string caps = std::string("video/x-raw,width=104,height=72,framerate=25/1,interlace-mode="
                                             "interleaved,") + c.caps;
        const bool held = !strstr(c.caps, "field-order");
        Harness t = harness();
        gst_harness_set_src_caps_str(t.h, caps.c_str());
        if (c.before & allocation) {
            GstQuery* query = gst_query_new_allocation(gst_caps_from_string(caps.c_str()), TRUE);
            EXPECT_NE(gst_pad_peer_query(t.h->srcpad, query), held) << c.caps;
            gst_query_unref(query);
        }
        if (c.before & reconfigure)
            gst_harness_push_upstream_event(t.h, gst_event_new_reconfigure());
        if (c.before & property)
            gst_util_set_object_arg(G_OBJECT(t.h->element), "mode", "padding");
        if (c.before & flush) {
            gst_harness_push_event(t.h, gst_event_new_flush_start());
            gst_harness_push_event(t.h, gst_event_new_flush_stop(TRUE));
            GstSegment segment;
            gst_segment_init(&segment, GST_FORMAT_TIME);
            gst_harness_push_event(t.h, gst_event_new_segment(&segment));
        }
        EXPECT_EQ(held ? order_of(gst_pad_get_current_caps(t.h->sinkpad)) : "", held ? "no caps" : "")
            << c.caps << ", " << c.before;
        GstVideoInfo info;
        gst_video_info_from_caps(&info, gst_caps_from_string(caps.c_str()));
        const std::vector<uint8_t> bytes(info.size);
        EXPECT_EQ(gst_harness_push(t.h, frame(bytes, true, c.tff)), GST_FLOW_OK) << c.caps << ", " << c.before;
        EXPECT_EQ(caps_seen(t.h), c.want) << c.caps << ", " << c.before;
        GstBuffer* out = gst_harness_pull(t.h);
        EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(out, GST_VIDEO_BUFFER_FLAG_TFF), strstr(c.want, "top") != nullptr);
        gst_buffer_unref(out);
        gst_harness_set_src_caps_str(t.h, (caps + ",pixel-aspect-ratio=10/11").c_str());
        EXPECT_EQ(gst_harness_push(t.h, frame(bytes, true, !c.tff)), GST_FLOW_OK);
        EXPECT_EQ(caps_seen(t.h), strstr(c.caps, "field-order") ? c.want
                                  : c.tff ? "bottom-field-first " : "top-field-first ")
            << c.caps << ", new caps";
        EXPECT_EQ(errors(t), "") << c.caps;
        teardown(t);
    }
}

// A query only answers: input the element refuses gets a plain no, with
// nothing on the bus. Set, the same caps give one element error that says
// why, however often they are sent; an output downstream does not take is
// refused where it is found.
TEST(Element, EachRefusalIsPostedOnceWhereTheCapsAreSet)
{
    struct Case {
        const char* caps;
        const char* mode;
        const char* sink;
        const char* message;
    };
    const Case cases[] = {
        {"format=UYVY,width=104,height=70,interlace-mode=progressive", "keep", "",
         "chromafold converts interlaced video, and its input is progressive."},
        {"format=UYVY,width=104,height=70", "keep", "", "chromafold converts interlaced video, and its input is progressive."},
        {"format=UYVY,width=721,height=486,interlace-mode=interleaved", "keep", "",
         "chromafold takes frames of an even width, and its input is 721 pixels wide."},
        {"format=UYVY,width=14,height=20,interlace-mode=interleaved", "clip", "",
         "In clip mode chromafold rounds its input down to a multiple of 16 pixels and 32 rows, and a 14x20 input "
         "leaves nothing."},
        {"format=UYVY,width=720,height=3,interlace-mode=interleaved", "keep", "",
         "chromafold keeps whole groups of four rows, two of each field, and an input of 3 rows has none."},
        {"format=GRAY8,width=104,height=70,interlace-mode=interleaved", "keep", "",
         "chromafold converts 4:2:2 (UYVY, YUY2, v210, Y42B, NV16 or I422_10LE) and 4:2:0 (I420, NV12, I420_10LE or "
         "P010_10LE), and its input is GRAY8."},
        {"format=I420,width=104,height=70,interlace-mode=interleaved", "keep", "",
         "chromafold takes 4:2:0 frames whose fields hold whole pairs of chroma rows, of a multiple of 4 rows, and its "
         "input is 70 rows high."},
        {"format=I420,width=104,height=72,interlace-mode=interleaved,field-order=top-field-first", "keep",
         "video/x-raw,format=NV12",
         "chromafold converts I420 into UYVY, YUY2, v210, Y42B, NV16 or I422_10LE, and downstream takes none of them."},
    };
    for (const Case& c : cases) {
        Harness t = harness(c.mode, c.sink);
        GstCaps* caps = gst_caps_from_string((std::string("video/x-raw,framerate=25/1,") + c.caps).c_str());
        EXPECT_EQ(gst_pad_peer_query_accept_caps(t.h->srcpad, caps), *c.sink != 0) << c.caps;
        EXPECT_EQ(errors(t), "") << c.caps;
        for (int again = 0; again < 2; ++again)
            gst_harness_push_event(t.h, gst_event_new_caps(caps));
        EXPECT_EQ(errors(t), std::string(c.message) + "\n") << c.caps;
        gst_caps_unref(caps);
        teardown(t);
    }
}

// A buffer that does not hold its frame, by its size or by a video meta whose
// planes run past it (or past the memory that holds their start, which is
// all that is mapped of them), is never read past its memory and never
// becomes an output frame: the stream stops with one error that names the
// sizes. A meta that fits converts exactly.
TEST(Element, BuffersThatDoNotHoldTheirFrameStopTheStream)
{
    struct Case {
        const char* format;
        gssize size;             // bytes of the buffer; -1: the frame's
        int planes;              // of its meta, 0: none
        gsize offset[3];         // of the meta's planes; stride 0: the frame's
        gint stride[3];
        gsize split;             // the buffer in two memories at this byte, 0: one
        const char* message;     // empty: converted
    };
    const gsize i422_chroma = 104 * 70;
    const Case cases[] = {
        {"UYVY", 104 * 70 * 2 - 1, 0, {}, {}, 0,
         "The input buffer holds 14559 bytes, and a 104x70 UYVY frame takes 14560."},
        {"UYVY", 104 * 70, 0, {}, {}, 0, "The input buffer holds 7280 bytes, and a 104x70 UYVY frame takes 14560."},
        {"v210", 0, 0, {}, {}, 0, "The input buffer holds 0 bytes, and a 104x70 v210 frame takes 26880."},
        {"UYVY", -1, 1, {0}, {256}, 0,
         "The input buffer has a video meta whose plane 0 (offset 0, stride 256, 70 rows of 208 bytes) does not fit "
         "the 14560 bytes of memory from its offset."},
        {"Y42B", -1, 3, {0, i422_chroma, i422_chroma * 3 / 2}, {104, 52, 52}, 0, ""},
        {"Y42B", -1, 3, {0, i422_chroma, i422_chroma * 3 / 2 + 52}, {104, 52, 52}, 0,
         "The input buffer has a video meta whose plane 2 (offset 10972, stride 52, 70 rows of 52 bytes) does not "
         "fit the 3588 bytes of memory from its offset."},
        {"Y42B", -1, 3, {0, i422_chroma, i422_chroma * 3}, {104, 52, 52}, 0,
         "The input buffer has a video meta whose plane 2 (offset 21840, stride 52, 70 rows of 52 bytes) does not "
         "fit the 0 bytes of memory from its offset."},
        {"Y42B", -1, 3, {0, i422_chroma, i422_chroma * 3 / 2}, {104, -52, 52}, 0,
         "The input buffer has a video meta whose plane 1 (offset 7280, stride -52, 70 rows of 52 bytes) does not fit "
         "the 7280 bytes of memory from its offset."},
        {"Y42B", -1, 3, {0, i422_chroma, i422_chroma * 3 / 2}, {104, 52, 52}, i422_chroma + 100,
         "The input buffer has a video meta whose plane 1 (offset 7280, stride 52, 70 rows of 52 bytes) does not fit "
         "the 100 bytes of memory from its offset."},
    };
    for (const Case& c : cases) {
        const std::string caps = std::string("video/x-raw,width=104,height=70,framerate=25/1,interlace-mode="
                                             "interleaved,field-order=top-field-first,format=") + c.format;
        Harness t = harness("keep", "video/x-raw,format=I420");
        gst_harness_set_src_caps_str(t.h, caps.c_str());
        GstVideoInfo info;
        gst_video_info_from_caps(&info, gst_caps_from_string(caps.c_str()));
        const std::vector<uint8_t> bytes = random_bytes(7, c.size < 0 ? info.size : gsize(c.size));
        GstBuffer* buffer = gst_buffer_new();
        const gsize cut = c.split ? c.split : bytes.size();
        for (const auto& [start, end] : {std::pair{gsize(0), cut}, {cut, bytes.size()}})
            if (end > start) {
                gpointer copy = g_memdup2(bytes.data() + start, end - start);
                gst_buffer_append_memory(buffer, gst_memory_new_wrapped(GstMemoryFlags(0), copy, end - start, 0,
                                                                        end - start, copy, g_free));
            }
        gsize offset[4] = {c.offset[0], c.offset[1], c.offset[2]};
        gint stride[4] = {c.stride[0], c.stride[1], c.stride[2]};
        if (c.planes)
            gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_INFO_FORMAT(&info), 104, 70,
                                           guint(c.planes), offset, stride);
        const GstFlowReturn flow = gst_harness_push(t.h, buffer);
        if (*c.message) {
            EXPECT_EQ(flow, GST_FLOW_ERROR) << c.message;
            EXPECT_EQ(gst_harness_buffers_in_queue(t.h), 0u) << c.message;
            EXPECT_EQ(errors(t), std::string(c.message) + "\n");
        } else {
            EXPECT_EQ(flow, GST_FLOW_OK) << c.format << ": " << errors(t);
            chromafold_geometry g;
            chromafold_frame_geometry(104, 70, CHROMAFOLD_MODE_KEEP, &g);
            GstBuffer* out = gst_harness_pull(t.h);
            const std::vector<uint8_t> want = model_frame(i422, i420, CHROMAFOLD_SCAN_INTERLACED, bytes, g);
            EXPECT_EQ(gst_buffer_memcmp(out, 0, want.data(), want.size()), 0) << c.format;
            gst_buffer_unref(out);
        }
        teardown(t);
    }
}

// A mixed stream, as MPEG-2 4:2:2 decoders give one: frames flagged
// interlaced, top field first and then bottom field first, and frames not
// flagged, in turn, each converted by its own scan and keeping its flags,
// the output's caps mixed.
TEST(Element, MixedStreamsConvertEachFrameByItsOwnScan)
{
    Harness t = harness("keep", "video/x-raw,format=NV12");
    gst_harness_set_src_caps_str(t.h, "video/x-raw,format=Y42B,width=104,height=70,framerate=25/1,"
                                      "interlace-mode=mixed");
    chromafold_geometry g;
    chromafold_frame_geometry(104, 70, CHROMAFOLD_MODE_KEEP, &g);
    for (int n = 0; n < 6; ++n) {
        const bool interlaced = n % 3 != 2, tff = n % 3 == 0;
        const std::vector<uint8_t> sent = random_bytes(uint64_t(n + 1), frame_bytes(i422, 104, 70));
        GstBuffer* out = gst_harness_push_and_pull(t.h, frame(sent, interlaced, tff));
        const std::vector<uint8_t> want = model_frame(
            i422, nv12, interlaced ? CHROMAFOLD_SCAN_INTERLACED : CHROMAFOLD_SCAN_PROGRESSIVE, sent, g);
        EXPECT_EQ(gst_buffer_get_size(out), want.size()) << n;
        EXPECT_EQ(gst_buffer_memcmp(out, 0, want.data(), want.size()), 0) << n;
        EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(out, GST_VIDEO_BUFFER_FLAG_INTERLACED), interlaced) << n;
        EXPECT_EQ(GST_BUFFER_FLAG_IS_SET(out, GST_VIDEO_BUFFER_FLAG_TFF), tff) << n;
        gst_buffer_unref(out);
    }
    GstCaps* caps = gst_pad_get_current_caps(t.h->sinkpad);
    EXPECT_STREQ(gst_structure_get_string(gst_caps_get_structure(caps, 0), "interlace-mode"), "mixed");
    gst_caps_unref(caps);
    teardown(t);
}

} // namespace
