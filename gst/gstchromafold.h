/* chromafold: interlaced 4:2:2 into 4:2:0 and back, exactly, as a GStreamer
 * element: what its rooms share. The element itself is in gstchromafold.c;
 * the formats and caps it converts in caps.c; why it refuses input in
 * refusals.c; the gate that holds caps until their field order is known in
 * field_order.c; the buffers it converts in frames.c. */

#ifndef GST_CHROMAFOLD_H
#define GST_CHROMAFOLD_H

#include <chromafold/chromafold.h>

#include <gst/gst.h>
#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

G_BEGIN_DECLS

GST_DEBUG_CATEGORY_EXTERN (gst_chromafold_debug);
#define GST_CAT_DEFAULT gst_chromafold_debug

typedef enum
{
  GST_CHROMAFOLD_MODE_CLIP = CHROMAFOLD_MODE_CLIP,
  GST_CHROMAFOLD_MODE_PADDING = CHROMAFOLD_MODE_PADDING,
  GST_CHROMAFOLD_MODE_KEEP = CHROMAFOLD_MODE_KEEP,
} GstChromafoldMode;

typedef enum
{
  GST_CHROMAFOLD_FIELD_ORDER_AUTO,
  GST_CHROMAFOLD_FIELD_ORDER_TOP_FIELD_FIRST,
  GST_CHROMAFOLD_FIELD_ORDER_BOTTOM_FIELD_FIRST,
} GstChromafoldFieldOrder;

#define GST_TYPE_CHROMAFOLD (gst_chromafold_get_type ())
G_DECLARE_FINAL_TYPE (GstChromafold, gst_chromafold, GST, CHROMAFOLD,
    GstVideoFilter)

struct _GstChromafold
{
  GstVideoFilter parent;

  /* Properties, under the object lock. */
  GstChromafoldMode mode;
  GstChromafoldFieldOrder field_order;

  /* Set when caps are set, read by the streaming thread. */
  chromafold_geometry geometry;
  gint32 source_format;
  gint32 output_format;
  gboolean mixed;
  /* The field order of an interleaved output; for a mixed one the
   * property's, or unknown where each frame says its own. */
  GstVideoFieldOrder order;

  /* The streaming thread's: input caps whose field order waits for a
   * buffer, held with the serialized events after them. */
  GstEvent *held_caps;
  GQueue held_events;
  /* The order the first buffer after the input caps said, under the object
   * lock; unknown until one did. */
  GstVideoFieldOrder buffer_order;
  /* Whether the input was refused, under the object lock: it is said once a
   * stream. */
  gboolean refused;
};

/* gstchromafold.c */
GstBaseTransformClass *gst_chromafold_parent (void);
GstChromafoldMode gst_chromafold_current_mode (GstChromafold * self);

/* caps.c */
gint32 gst_chromafold_code_of (GstVideoFormat format);
gboolean gst_chromafold_subsampled (gint32 code);
gchar *gst_chromafold_format_names (gboolean subsampled_ones);
GstCaps *gst_chromafold_transform_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps, GstCaps * filter);
GstCaps *gst_chromafold_fixate_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps, GstCaps * othercaps);

/* refusals.c */
gboolean gst_chromafold_accept_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps);
GstPadProbeReturn gst_chromafold_refuse_caps_as_they_arrive (GstPad * pad,
    GstPadProbeInfo * info, gpointer element);
void gst_chromafold_explain_no_output (GstChromafold * self,
    GstEvent * caps_event);

/* field_order.c */
GstVideoFieldOrder gst_chromafold_caps_field_order (GstChromafold * self,
    const GstStructure * input);
GstVideoFieldOrder gst_chromafold_output_field_order (GstChromafold * self,
    const GstStructure * input);
gboolean gst_chromafold_sink_event (GstBaseTransform * trans,
    GstEvent * event);
gboolean gst_chromafold_query (GstBaseTransform * trans,
    GstPadDirection direction, GstQuery * query);
GstFlowReturn gst_chromafold_submit_input_buffer (GstBaseTransform * trans,
    gboolean discont, GstBuffer * input);
void gst_chromafold_drop_held (GstChromafold * self);

/* frames.c */
GstFlowReturn gst_chromafold_transform (GstBaseTransform * trans,
    GstBuffer * input, GstBuffer * output);
GstFlowReturn gst_chromafold_transform_frame (GstVideoFilter * filter,
    GstVideoFrame * in_frame, GstVideoFrame * out_frame);

G_END_DECLS

#endif
