/* chromafold: interlaced 4:2:2 into 4:2:0 and back, exactly, as a GStreamer
 * element.
 *
 * A GstVideoFilter on libchromafold's C interface: each frame is converted
 * straight from the mapped input buffer into the mapped output buffer, every
 * plane with its own stride. The output keeps the input's size by default
 * (its height rounded down to whole groups of four rows), or is aligned to
 * 16 x 32 by clipping or padding; its chroma is sited as MPEG-2 and H.264 site
 * it. An interleaved output always says its field order, in its first caps
 * and in its buffer flags, so that encoders and muxers downstream code the
 * right one; a mixed stream keeps each frame's own flags.
 *
 * This file holds the element itself: its pads, properties and registration.
 * The rest is in the rooms gstchromafold.h names. */

#include "gstchromafold.h"

GST_DEBUG_CATEGORY (gst_chromafold_debug);

enum
{
  PROP_0,
  PROP_MODE,
  PROP_FIELD_ORDER,
};

#define DEFAULT_MODE GST_CHROMAFOLD_MODE_KEEP
#define DEFAULT_FIELD_ORDER GST_CHROMAFOLD_FIELD_ORDER_AUTO

/* 4:2:2 in, 4:2:0 out, and back: every format is an input and an output. */
#define FORMATS "{ UYVY, YUY2, v210, Y42B, NV16, I422_10LE, I420, NV12, I420_10LE, P010_10LE }"

/* The input may carry any interlace mode, so that input flagged progressive
 * reaches the element and is refused with a message rather than by a silent
 * failure to link. */
static GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE ("sink",
    GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("video/x-raw, format = (string) " FORMATS ", "
        "width = (int) [ 2, 32768, 2 ], height = (int) [ 1, 32768 ], "
        "framerate = (fraction) [ 0, MAX ]"));

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("video/x-raw, format = (string) " FORMATS ", "
        "width = (int) [ 2, 32768, 2 ], height = (int) [ 4, 32768 ], "
        "framerate = (fraction) [ 0, MAX ], "
        "interlace-mode = (string) interleaved, "
        "field-order = (string) { top-field-first, bottom-field-first }, "
        "chroma-site = (string) mpeg2; "
        "video/x-raw, format = (string) " FORMATS ", "
        "width = (int) [ 2, 32768, 2 ], height = (int) [ 4, 32768 ], "
        "framerate = (fraction) [ 0, MAX ], "
        "interlace-mode = (string) mixed, chroma-site = (string) mpeg2"));

#define GST_TYPE_CHROMAFOLD_MODE (gst_chromafold_mode_get_type ())
static GType
gst_chromafold_mode_get_type (void)
{
  static GType type = 0;
  static const GEnumValue values[] = {
    {GST_CHROMAFOLD_MODE_CLIP,
        "Clip to a multiple of 16 pixels and 32 rows, dropping the rest",
        "clip"},
    {GST_CHROMAFOLD_MODE_PADDING,
          "Pad to a multiple of 16 pixels and 32 rows with black and neutral "
          "chroma",
        "padding"},
    {GST_CHROMAFOLD_MODE_KEEP,
          "Keep the width, and the height rounded down to a multiple of 4 "
          "(whole pairs of chroma rows in each field)",
        "keep"},
    {0, NULL, NULL},
  };
  if (g_once_init_enter (&type))
    g_once_init_leave (&type, g_enum_register_static ("GstChromafoldMode",
            values));
  return type;
}

#define GST_TYPE_CHROMAFOLD_FIELD_ORDER (gst_chromafold_field_order_get_type ())
static GType
gst_chromafold_field_order_get_type (void)
{
  static GType type = 0;
  static const GEnumValue values[] = {
    {GST_CHROMAFOLD_FIELD_ORDER_AUTO,
          "The input's, from its caps or else its first buffer's flags; top "
          "field first where neither says one",
        "auto"},
    {GST_CHROMAFOLD_FIELD_ORDER_TOP_FIELD_FIRST, "Top field first",
        "top-field-first"},
    {GST_CHROMAFOLD_FIELD_ORDER_BOTTOM_FIELD_FIRST, "Bottom field first",
        "bottom-field-first"},
    {0, NULL, NULL},
  };
  if (g_once_init_enter (&type))
    g_once_init_leave (&type,
        g_enum_register_static ("GstChromafoldFieldOrder", values));
  return type;
}

G_DEFINE_TYPE (GstChromafold, gst_chromafold, GST_TYPE_VIDEO_FILTER);
GST_ELEMENT_REGISTER_DEFINE (chromafold, "chromafold", GST_RANK_NONE,
    GST_TYPE_CHROMAFOLD);

GstBaseTransformClass *
gst_chromafold_parent (void)
{
  return GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class);
}

GstChromafoldMode
gst_chromafold_current_mode (GstChromafold * self)
{
  GstChromafoldMode mode;

  GST_OBJECT_LOCK (self);
  mode = self->mode;
  GST_OBJECT_UNLOCK (self);
  return mode;
}

static gboolean
gst_chromafold_set_info (GstVideoFilter * filter, GstCaps * incaps,
    GstVideoInfo * in_info, GstCaps * outcaps, GstVideoInfo * out_info)
{
  GstChromafold *self = GST_CHROMAFOLD (filter);

  self->source_format = gst_chromafold_code_of (GST_VIDEO_INFO_FORMAT (in_info));
  self->output_format = gst_chromafold_code_of (GST_VIDEO_INFO_FORMAT (out_info));
  self->mixed = GST_VIDEO_INFO_INTERLACE_MODE (in_info) ==
      GST_VIDEO_INTERLACE_MODE_MIXED;
  self->order = gst_chromafold_output_field_order (self,
      gst_caps_get_structure (incaps, 0));
  if (chromafold_frame_geometry (GST_VIDEO_INFO_WIDTH (in_info),
          GST_VIDEO_INFO_HEIGHT (in_info), gst_chromafold_current_mode (self),
          &self->geometry) != 0
      || self->geometry.dst_width != GST_VIDEO_INFO_WIDTH (out_info)
      || self->geometry.dst_height != GST_VIDEO_INFO_HEIGHT (out_info)) {
    GST_ERROR_OBJECT (self, "no conversion from %" GST_PTR_FORMAT " into %"
        GST_PTR_FORMAT, incaps, outcaps);
    return FALSE;
  }
  GST_INFO_OBJECT (self, "%dx%d into %dx%d, %s", self->geometry.src_width,
      self->geometry.src_height, self->geometry.dst_width,
      self->geometry.dst_height, self->mixed ? "mixed" :
      gst_video_field_order_to_string (self->order));
  return TRUE;
}

/* A new stream says its field order anew, and is refused anew. */
static gboolean
gst_chromafold_stop (GstBaseTransform * trans)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);

  gst_chromafold_drop_held (self);
  GST_OBJECT_LOCK (self);
  self->buffer_order = GST_VIDEO_FIELD_ORDER_UNKNOWN;
  self->refused = FALSE;
  GST_OBJECT_UNLOCK (self);
  return TRUE;
}

static void
gst_chromafold_set_property (GObject * object, guint prop_id,
    const GValue * value, GParamSpec * pspec)
{
  GstChromafold *self = GST_CHROMAFOLD (object);

  GST_OBJECT_LOCK (self);
  switch (prop_id) {
    case PROP_MODE:
      self->mode = g_value_get_enum (value);
      break;
    case PROP_FIELD_ORDER:
      self->field_order = g_value_get_enum (value);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, prop_id, pspec);
      GST_OBJECT_UNLOCK (self);
      return;
  }
  GST_OBJECT_UNLOCK (self);
  /* A new size or field order needs new output caps. */
  gst_base_transform_reconfigure_src (GST_BASE_TRANSFORM (self));
}

static void
gst_chromafold_get_property (GObject * object, guint prop_id, GValue * value,
    GParamSpec * pspec)
{
  GstChromafold *self = GST_CHROMAFOLD (object);

  GST_OBJECT_LOCK (self);
  switch (prop_id) {
    case PROP_MODE:
      g_value_set_enum (value, self->mode);
      break;
    case PROP_FIELD_ORDER:
      g_value_set_enum (value, self->field_order);
      break;
    default:
      G_OBJECT_WARN_INVALID_PROPERTY_ID (object, prop_id, pspec);
      break;
  }
  GST_OBJECT_UNLOCK (self);
}

static void
gst_chromafold_finalize (GObject * object)
{
  gst_chromafold_drop_held (GST_CHROMAFOLD (object));
  G_OBJECT_CLASS (gst_chromafold_parent_class)->finalize (object);
}

static void
gst_chromafold_class_init (GstChromafoldClass * klass)
{
  GObjectClass *gobject_class = G_OBJECT_CLASS (klass);
  GstElementClass *element_class = GST_ELEMENT_CLASS (klass);
  GstBaseTransformClass *trans_class = GST_BASE_TRANSFORM_CLASS (klass);
  GstVideoFilterClass *filter_class = GST_VIDEO_FILTER_CLASS (klass);

  gobject_class->set_property = gst_chromafold_set_property;
  gobject_class->get_property = gst_chromafold_get_property;
  gobject_class->finalize = gst_chromafold_finalize;

  g_object_class_install_property (gobject_class, PROP_MODE,
      g_param_spec_enum ("mode", "Mode",
          "The output's size: the input's, its height rounded down to a "
          "multiple of 4 (keep); or aligned to 16 pixels across and 32 rows "
          "down, by clipping what lies beyond or by padding with black luma "
          "and neutral chroma", GST_TYPE_CHROMAFOLD_MODE, DEFAULT_MODE,
          G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
          GST_PARAM_MUTABLE_PLAYING));
  g_object_class_install_property (gobject_class, PROP_FIELD_ORDER,
      g_param_spec_enum ("field-order", "Field order",
          "The field order the output says in its caps and buffer flags, "
          "for encoders and muxers downstream",
          GST_TYPE_CHROMAFOLD_FIELD_ORDER, DEFAULT_FIELD_ORDER,
          G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
          GST_PARAM_MUTABLE_PLAYING));

  gst_element_class_add_static_pad_template (element_class, &sink_template);
  gst_element_class_add_static_pad_template (element_class, &src_template);
  gst_element_class_set_static_metadata (element_class,
      "Interlaced 4:2:2 to 4:2:0 and back, exactly", "Filter/Converter/Video",
      "Converts interlaced 4:2:2 (UYVY, YUY2, v210, Y42B, NV16, I422_10LE) "
      "into I420, NV12, I420_10LE and P010_10LE, and back. Each chroma row "
      "is filtered from the two nearest rows of its own field, weighted 3:1, "
      "and rounded once, so that the fields never mix and chroma lies where "
      "MPEG-2 and H.264 site it; back into 4:2:2, each row interpolates "
      "between the chroma rows of its field around it, at those sites. The "
      "progressive frames of a mixed stream take the mean of two rows, or "
      "the rows between. The output keeps the input's size, or is aligned to "
      "16 x 32, and says its field order. Input that is not interlaced is "
      "refused.", "chromafold developers <dev@chromafold.invalid>");

  trans_class->transform_caps =
      GST_DEBUG_FUNCPTR (gst_chromafold_transform_caps);
  trans_class->fixate_caps = GST_DEBUG_FUNCPTR (gst_chromafold_fixate_caps);
  trans_class->sink_event = GST_DEBUG_FUNCPTR (gst_chromafold_sink_event);
  trans_class->submit_input_buffer =
      GST_DEBUG_FUNCPTR (gst_chromafold_submit_input_buffer);
  trans_class->stop = GST_DEBUG_FUNCPTR (gst_chromafold_stop);
  trans_class->accept_caps = GST_DEBUG_FUNCPTR (gst_chromafold_accept_caps);
  trans_class->query = GST_DEBUG_FUNCPTR (gst_chromafold_query);
  trans_class->transform = GST_DEBUG_FUNCPTR (gst_chromafold_transform);
  filter_class->set_info = GST_DEBUG_FUNCPTR (gst_chromafold_set_info);
  filter_class->transform_frame =
      GST_DEBUG_FUNCPTR (gst_chromafold_transform_frame);

  gst_type_mark_as_plugin_api (GST_TYPE_CHROMAFOLD_MODE, 0);
  gst_type_mark_as_plugin_api (GST_TYPE_CHROMAFOLD_FIELD_ORDER, 0);
}

static void
gst_chromafold_init (GstChromafold * self)
{
  self->mode = DEFAULT_MODE;
  self->field_order = DEFAULT_FIELD_ORDER;
  self->buffer_order = GST_VIDEO_FIELD_ORDER_UNKNOWN;
  g_queue_init (&self->held_events);
  gst_pad_add_probe (GST_BASE_TRANSFORM_SINK_PAD (self),
      GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM,
      gst_chromafold_refuse_caps_as_they_arrive, self,
      NULL);
}

static gboolean
plugin_init (GstPlugin * plugin)
{
  GST_DEBUG_CATEGORY_INIT (gst_chromafold_debug, "chromafold", 0,
      "interlaced 4:2:2 to 4:2:0 conversion and back");
  return GST_ELEMENT_REGISTER (chromafold, plugin);
}

#define PACKAGE "chromafold"
#define CHROMAFOLD_TEXT(number) #number
#define CHROMAFOLD_VERSION_TEXT(major, minor, patch) \
    CHROMAFOLD_TEXT (major) "." CHROMAFOLD_TEXT (minor) "." CHROMAFOLD_TEXT (patch)

GST_PLUGIN_DEFINE (GST_VERSION_MAJOR, GST_VERSION_MINOR, chromafold,
    "Exact interlaced 4:2:2 to 4:2:0 conversion and back", plugin_init,
    CHROMAFOLD_VERSION_TEXT (CHROMAFOLD_VERSION_MAJOR,
        CHROMAFOLD_VERSION_MINOR, CHROMAFOLD_VERSION_PATCH), "BSD",
    "gstreamer1.0-chromafold", "https://chromafold.invalid/")
