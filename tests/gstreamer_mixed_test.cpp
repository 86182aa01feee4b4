// A mixed stream through the element, as MPEG-2 4:2:2 decoders give one: an
// appsrc pushes planar 4:2:2 frames flagged interlaced, top field first and
// then bottom field first, and frames not flagged, in turn. Every output frame
// must be the model's of its own scan and keep its flags, and the output caps
// must say mixed. The element is found through GST_PLUGIN_PATH.

#include "tests/frame_model.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    gst_init(&argc, &argv);
    constexpr int32_t width = 104, height = 70, frames = 6;
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(
        "appsrc name=in format=time caps=video/x-raw,format=Y42B,width=104,height=70,framerate=25/1,"
        "interlace-mode=mixed ! chromafold ! video/x-raw,format=NV12 ! appsink name=out sync=false",
        &error);
    if (!pipeline)
        return std::fprintf(stderr, "%s\n", error->message), 1;
    GstElement* in = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);

    chromafold_geometry g;
    chromafold_frame_geometry(width, height, CHROMAFOLD_MODE_KEEP, &g);
    std::vector<uint8_t> sent[frames];
    for (int n = 0; n < frames; ++n) {
        sent[n] = random_bytes(uint64_t(n + 1), frame_bytes(i422, width, height));
        GstBuffer* buffer = gst_buffer_new_memdup(sent[n].data(), sent[n].size());
        GST_BUFFER_PTS(buffer) = n * GST_SECOND / 25;
        GST_BUFFER_DURATION(buffer) = GST_SECOND / 25;
        if (n % 3 != 2)
            GST_BUFFER_FLAG_SET(buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED);
        if (n % 3 == 0)
            GST_BUFFER_FLAG_SET(buffer, GST_VIDEO_BUFFER_FLAG_TFF);
        gst_app_src_push_buffer(GST_APP_SRC(in), buffer);
    }
    gst_app_src_end_of_stream(GST_APP_SRC(in));

    int failures = 0;
    for (int n = 0; n < frames; ++n) {
        GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(out));
        if (!sample) {
            std::fprintf(stderr, "frame %d never came\n", n);
            return 1;
        }
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        const char* mode = gst_structure_get_string(gst_caps_get_structure(gst_sample_get_caps(sample), 0),
                                                    "interlace-mode");
        const bool interlaced = n % 3 != 2, tff = n % 3 == 0;
        const std::vector<uint8_t> want = model_frame(
            i422, nv12, interlaced ? CHROMAFOLD_SCAN_INTERLACED : CHROMAFOLD_SCAN_PROGRESSIVE, sent[n], g);
        GstMapInfo map;
        gst_buffer_map(buffer, &map, GST_MAP_READ);
        const bool same = map.size == want.size() && std::memcmp(map.data, want.data(), want.size()) == 0;
        gst_buffer_unmap(buffer, &map);
        const bool flags = GST_BUFFER_FLAG_IS_SET(buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED) == interlaced &&
                           GST_BUFFER_FLAG_IS_SET(buffer, GST_VIDEO_BUFFER_FLAG_TFF) == tff;
        if (!same || !flags || g_strcmp0(mode, "mixed") != 0) {
            std::fprintf(stderr, "frame %d (%s): %s, %s, caps say %s\n", n, interlaced ? "interlaced" : "progressive",
                         same ? "the model's bytes" : "bytes other than the model's",
                         flags ? "its flags" : "other flags", mode ? mode : "no interlace mode");
            ++failures;
        }
        gst_sample_unref(sample);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(in);
    gst_object_unref(out);
    gst_object_unref(pipeline);
    if (!failures)
        std::printf("%d frames of a mixed stream, each by its own scan and with its own flags\n", frames);
    return failures ? 1 : 0;
}
