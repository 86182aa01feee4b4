// Runs a pipeline with a chromafold element in it and prints what leaves the
// element: each caps event as its field order in brackets ("[mixed]" for a
// mixed stream), each buffer as a letter, t or b for an interlaced frame of
// that field first, p for a progressive one. An appsrc named "in" is fed
// frames of its caps' size flagged as FLAGS says, in the same letters, with
// no order in its caps. An error prints its message and ends with status 1.
//
// usage: gstreamer_probe PIPELINE [FLAGS]

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

GstPadProbeReturn record(GstPad*, GstPadProbeInfo* info, gpointer seen)
{
    std::string& out = *static_cast<std::string*>(seen);
    if (GstBuffer* b = GST_PAD_PROBE_INFO_BUFFER(info); b && (info->type & GST_PAD_PROBE_TYPE_BUFFER))
        out += !GST_BUFFER_FLAG_IS_SET(b, GST_VIDEO_BUFFER_FLAG_INTERLACED) ? 'p'
               : GST_BUFFER_FLAG_IS_SET(b, GST_VIDEO_BUFFER_FLAG_TFF)    ? 't'
                                                                          : 'b';
    else if (GstEvent* e = GST_PAD_PROBE_INFO_EVENT(info); GST_EVENT_TYPE(e) == GST_EVENT_CAPS) {
        GstCaps* caps;
        gst_event_parse_caps(e, &caps);
        const GstStructure* s = gst_caps_get_structure(caps, 0);
        const char* order = gst_structure_get_string(s, "field-order");
        out.append("[").append(order ? order : gst_structure_get_string(s, "interlace-mode")).append("]");
    }
    return GST_PAD_PROBE_OK;
}

gint is_chromafold(gconstpointer element, gconstpointer)
{
    GstElementFactory* f = gst_element_get_factory(GST_ELEMENT(g_value_get_object(static_cast<const GValue*>(element))));
    return f && std::strcmp(GST_OBJECT_NAME(f), "chromafold") == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    gst_init(&argc, &argv);
    GError* error = nullptr;
    GstElement* pipeline = argc > 1 ? gst_parse_launch(argv[1], &error) : nullptr;
    if (!pipeline)
        return std::printf("%s\n", error ? error->message : "usage: gstreamer_probe PIPELINE [FLAGS]"), 2;
    GstIterator* all = gst_bin_iterate_recurse(GST_BIN(pipeline));
    GValue found = G_VALUE_INIT;
    std::string seen;
    if (gst_iterator_find_custom(all, is_chromafold, &found, nullptr)) {
        GstPad* src = gst_element_get_static_pad(GST_ELEMENT(g_value_get_object(&found)), "src");
        gst_pad_add_probe(src, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          record, &seen, nullptr);
        gst_object_unref(src);
        g_value_unset(&found);
    }
    gst_iterator_free(all);

    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    if (GstElement* in = gst_bin_get_by_name(GST_BIN(pipeline), "in")) {
        GstVideoInfo info;
        GstCaps* caps;
        g_object_get(in, "caps", &caps, nullptr);
        gst_video_info_from_caps(&info, caps);
        gst_caps_unref(caps);
        const char* flags = argc > 2 ? argv[2] : "";
        for (const char* f = flags; *f; ++f) {
            GstBuffer* b = gst_buffer_new_allocate(nullptr, info.size, nullptr);
            gst_buffer_memset(b, 0, 0x80, info.size);
            GST_BUFFER_PTS(b) = gst_util_uint64_scale(guint64(f - flags), GST_SECOND * info.fps_d, info.fps_n);
            GST_BUFFER_DURATION(b) = gst_util_uint64_scale(1, GST_SECOND * info.fps_d, info.fps_n);
            if (*f != 'p')
                GST_BUFFER_FLAG_SET(b, GST_VIDEO_BUFFER_FLAG_INTERLACED);
            if (*f == 't')
                GST_BUFFER_FLAG_SET(b, GST_VIDEO_BUFFER_FLAG_TFF);
            gst_app_src_push_buffer(GST_APP_SRC(in), b);
        }
        gst_app_src_end_of_stream(GST_APP_SRC(in));
        gst_object_unref(in);
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, GST_CLOCK_TIME_NONE,
                                                 GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    int status = 0;
    if (GST_MESSAGE_TYPE(end) == GST_MESSAGE_ERROR) {
        gchar* debug;
        gst_message_parse_error(end, &error, &debug);
        seen.append(seen.empty() ? "" : " ").append("error: ").append(error->message);
        g_error_free(error);
        g_free(debug);
        status = 1;
    }
    std::printf("%s\n", seen.c_str());
    gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return status;
}
