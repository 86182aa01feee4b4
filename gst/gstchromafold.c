/* chromafold: interlaced 4:2:2 into 4:2:0, exactly, as a GStreamer element.
 *
 * A GstVideoFilter on libchromafold's C interface: each frame is converted
 * straight from the mapped input buffer into the mapped output buffer, with
 * both frames' strides. The output is the library's geometry (16 x 32 aligned,
 * by clipping or padding), interleaved, with chroma sited as MPEG-2 and H.264
 * site it, and always says its field order, in its caps and its buffer flags,
 * so that encoders and muxers downstream code the right one. */

#include <chromafold/chromafold.h>

#include <gst/gst.h>
#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

GST_DEBUG_CATEGORY_STATIC (gst_chromafold_debug);
#define GST_CAT_DEFAULT gst_chromafold_debug

typedef enum
{
  GST_CHROMAFOLD_MODE_CLIP = CHROMAFOLD_MODE_CLIP,
  GST_CHROMAFOLD_MODE_PADDING = CHROMAFOLD_MODE_PADDING,
} GstChromafoldMode;

typedef enum
{
  GST_CHROMAFOLD_FIELD_ORDER_AUTO,
  GST_CHROMAFOLD_FIELD_ORDER_TOP_FIELD_FIRST,
  GST_CHROMAFOLD_FIELD_ORDER_BOTTOM_FIELD_FIRST,
} GstChromafoldFieldOrder;

#define GST_TYPE_CHROMAFOLD (gst_chromafold_get_type ())
G_DECLARE_FINAL_TYPE (GstChromafold, gst_chromafold, GST, CHROMAFOLD, GstVideoFilter)

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
  /* The field order the output caps carry, and whether the input's buffers
   * may still change it (auto, with input caps that say none). */
  GstVideoFieldOrder output_order;
  gboolean order_from_buffers;
  /* The order the input's buffers last said, under the object lock, so that
   * caps negotiated again keep it; unknown until one says one. */
  GstVideoFieldOrder buffer_order;
  /* Whether the input was refused, under the object lock: it is said once. */
  gboolean refused;
};

enum
{
  PROP_0,
  PROP_MODE,
  PROP_FIELD_ORDER,
};

#define DEFAULT_MODE GST_CHROMAFOLD_MODE_CLIP
#define DEFAULT_FIELD_ORDER GST_CHROMAFOLD_FIELD_ORDER_AUTO

/* Caps may carry any interlace mode, so that input flagged progressive reaches
 * the element and is refused with a message rather than by a silent failure
 * to link. */
static GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE ("sink",
    GST_PAD_SINK, GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("video/x-raw, format = (string) { UYVY, YUY2, v210 }, "
        "width = (int) [ 2, 32768 ], height = (int) [ 1, 32768 ], "
        "framerate = (fraction) [ 0, MAX ]"));

static GstStaticPadTemplate src_template = GST_STATIC_PAD_TEMPLATE ("src",
    GST_PAD_SRC, GST_PAD_ALWAYS,
    GST_STATIC_CAPS ("video/x-raw, "
        "format = (string) { I420, NV12, I420_10LE, P010_10LE }, "
        "width = (int) [ 16, 32768 ], height = (int) [ 32, 32768 ], "
        "framerate = (fraction) [ 0, MAX ], "
        "interlace-mode = (string) interleaved, "
        "field-order = (string) { top-field-first, bottom-field-first }, "
        "chroma-site = (string) mpeg2"));

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
          "The input's, from its caps or else its buffers' flags; top field "
          "first where it says none",
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

static gint32
source_format_of (GstVideoFormat format)
{
  switch (format) {
    case GST_VIDEO_FORMAT_UYVY:
      return CHROMAFOLD_SOURCE_UYVY;
    case GST_VIDEO_FORMAT_YUY2:
      return CHROMAFOLD_SOURCE_YUY2;
    case GST_VIDEO_FORMAT_v210:
      return CHROMAFOLD_SOURCE_V210;
    default:
      return -1;
  }
}

static gint32
output_format_of (GstVideoFormat format)
{
  switch (format) {
    case GST_VIDEO_FORMAT_I420:
      return CHROMAFOLD_OUTPUT_I420;
    case GST_VIDEO_FORMAT_NV12:
      return CHROMAFOLD_OUTPUT_NV12;
    case GST_VIDEO_FORMAT_I420_10LE:
      return CHROMAFOLD_OUTPUT_I010;
    case GST_VIDEO_FORMAT_P010_10LE:
      return CHROMAFOLD_OUTPUT_P010;
    default:
      return -1;
  }
}

/* The field order of input caps, and whether they say one. */
static gboolean
caps_field_order (const GstStructure * s, GstVideoFieldOrder * order)
{
  const gchar *name = gst_structure_get_string (s, "field-order");
  *order = name ? gst_video_field_order_from_string (name) :
      GST_VIDEO_FIELD_ORDER_UNKNOWN;
  return *order != GST_VIDEO_FIELD_ORDER_UNKNOWN;
}

/* The field order the output takes from the property and the input caps,
 * and whether the input's buffers may still decide it. */
static GstVideoFieldOrder
chosen_field_order (GstChromafold * self, const GstStructure * input,
    gboolean * from_buffers)
{
  GstVideoFieldOrder order, said_by_buffers;
  GstChromafoldFieldOrder property;

  GST_OBJECT_LOCK (self);
  property = self->field_order;
  said_by_buffers = self->buffer_order;
  GST_OBJECT_UNLOCK (self);
  *from_buffers = FALSE;
  if (property == GST_CHROMAFOLD_FIELD_ORDER_TOP_FIELD_FIRST)
    return GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST;
  if (property == GST_CHROMAFOLD_FIELD_ORDER_BOTTOM_FIELD_FIRST)
    return GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST;
  if (caps_field_order (input, &order))
    return order;
  *from_buffers = TRUE;
  return said_by_buffers != GST_VIDEO_FIELD_ORDER_UNKNOWN ? said_by_buffers :
      GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST;
}

static const gchar *const all_sources[] = { "UYVY", "YUY2", "v210", NULL };
static const gchar *const ten_bit_sources[] = { "v210", NULL };
static const gchar *const eight_bit_outputs[] = { "I420", "NV12", NULL };
/* From v210, the ten-bit outputs first: a depth is kept unless downstream
 * asks for less. */
static const gchar *const all_outputs[] =
    { "I420_10LE", "P010_10LE", "I420", "NV12", NULL };

/* Whether a structure's format, one or a list, names any of `names`. */
static gboolean
has_format (const GstStructure * s, const gchar * const *names)
{
  const GValue *formats = gst_structure_get_value (s, "format");
  const guint count = !formats ? 0 : GST_VALUE_HOLDS_LIST (formats) ?
      gst_value_list_get_size (formats) : 1;

  for (guint i = 0; i < count; ++i) {
    const GValue *v = GST_VALUE_HOLDS_LIST (formats) ?
        gst_value_list_get_value (formats, i) : formats;
    for (const gchar * const *name = names; *name; ++name)
      if (G_VALUE_HOLDS_STRING (v) && g_str_equal (g_value_get_string (v), *name))
        return TRUE;
  }
  return FALSE;
}

static void
set_formats (GstStructure * s, const gchar * const *names)
{
  GValue list = G_VALUE_INIT;

  gst_value_list_init (&list, 4);
  for (; *names; ++names) {
    GValue v = G_VALUE_INIT;
    g_value_init (&v, G_TYPE_STRING);
    g_value_set_string (&v, *names);
    gst_value_list_append_and_take_value (&list, &v);
  }
  gst_structure_take_value (s, "format", &list);
}

/* Output structures from one input structure: the formats its format
 * converts into, the size the library's geometry gives when the input's is
 * fixed, and the rest of the input's description but its chroma siting. */
static void
append_outputs (GstChromafold * self, GstCaps * out, const GstStructure * in)
{
  GstStructure *s;
  gint width, height;
  gboolean from_buffers;

  if (!has_format (in, all_sources))
    return;
  s = gst_structure_copy (in);
  set_formats (s, has_format (in, ten_bit_sources) ? all_outputs :
      eight_bit_outputs);
  if (gst_structure_get_int (in, "width", &width)
      && gst_structure_get_int (in, "height", &height)) {
    chromafold_geometry g;
    GstChromafoldMode mode;

    GST_OBJECT_LOCK (self);
    mode = self->mode;
    GST_OBJECT_UNLOCK (self);
    /* A size that the library refuses, or that clips to nothing, has no
     * output. */
    if (chromafold_frame_geometry (width, height, mode, &g) != 0
        || g.dst_width == 0 || g.dst_height == 0) {
      gst_structure_free (s);
      return;
    }
    gst_structure_set (s, "width", G_TYPE_INT, g.dst_width, "height",
        G_TYPE_INT, g.dst_height, NULL);
  } else {
    gst_structure_set (s, "width", GST_TYPE_INT_RANGE, 16, 32768, "height",
        GST_TYPE_INT_RANGE, 32, 32768, NULL);
  }
  gst_structure_set (s, "interlace-mode", G_TYPE_STRING, "interleaved",
      "chroma-site", G_TYPE_STRING, "mpeg2", "field-order", G_TYPE_STRING,
      gst_video_field_order_to_string (chosen_field_order (self, in,
              &from_buffers)), NULL);
  gst_caps_append_structure (out, s);
}

/* Input structures from one output structure: every source whose output
 * it can be, of any size, interleaved first. */
static void
append_inputs (GstCaps * out, const GstStructure * in)
{
  const gchar *const modes[] = { "interleaved", "progressive" };
  GstStructure *s = gst_structure_copy (in);

  set_formats (s, !gst_structure_has_field (in, "format")
      || has_format (in, eight_bit_outputs) ? all_sources : ten_bit_sources);
  gst_structure_set (s, "width", GST_TYPE_INT_RANGE, 2, 32768, "height",
      GST_TYPE_INT_RANGE, 1, 32768, NULL);
  gst_structure_remove_fields (s, "field-order", "chroma-site", NULL);
  for (guint m = 0; m < G_N_ELEMENTS (modes); ++m) {
    GstStructure *t = gst_structure_copy (s);
    gst_structure_set (t, "interlace-mode", G_TYPE_STRING, modes[m], NULL);
    gst_caps_append_structure (out, t);
  }
  gst_structure_free (s);
}

static GstCaps *
gst_chromafold_transform_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps, GstCaps * filter)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);
  GstCaps *out = gst_caps_new_empty ();

  for (guint i = 0; i < gst_caps_get_size (caps); ++i) {
    if (direction == GST_PAD_SINK)
      append_outputs (self, out, gst_caps_get_structure (caps, i));
    else
      append_inputs (out, gst_caps_get_structure (caps, i));
  }
  if (filter) {
    GstCaps *both = gst_caps_intersect_full (filter, out,
        GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref (out);
    out = both;
  }
  GST_DEBUG_OBJECT (self, "%s %" GST_PTR_FORMAT " into %" GST_PTR_FORMAT,
      direction == GST_PAD_SINK ? "input" : "output", caps, out);
  return out;
}

/* Input that is not interleaved is refused as its caps arrive, with the
 * reason and the remedy said once a stream. */
static gboolean
gst_chromafold_accept_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);
  const gchar *mode;
  gboolean first;

  if (direction == GST_PAD_SINK && gst_caps_is_fixed (caps)) {
    mode = gst_structure_get_string (gst_caps_get_structure (caps, 0),
        "interlace-mode");
    if (!mode || !g_str_equal (mode, "interleaved")) {
      GST_OBJECT_LOCK (self);
      first = !self->refused;
      self->refused = TRUE;
      GST_OBJECT_UNLOCK (self);
      if (first)
        GST_ELEMENT_ERROR (self, CORE, NEGOTIATION,
            ("chromafold converts interlaced video, and its input is %s.",
                mode ? mode : "progressive"),
            ("It takes frames whose two fields are interleaved "
                "(interlace-mode=interleaved). Video that is interlaced but "
                "flagged otherwise, as many grabbers flag it progressive, can "
                "be marked so upstream: rawvideoparse interlaced=true, or "
                "capssetter caps=\"video/x-raw,interlace-mode=interleaved\". "
                "Input: %" GST_PTR_FORMAT, caps));
      return FALSE;
    }
  }
  return GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->accept_caps
      (trans, direction, caps);
}

static gboolean
gst_chromafold_set_info (GstVideoFilter * filter, GstCaps * incaps,
    GstVideoInfo * in_info, GstCaps * outcaps, GstVideoInfo * out_info)
{
  GstChromafold *self = GST_CHROMAFOLD (filter);
  GstChromafoldMode mode;

  GST_OBJECT_LOCK (self);
  mode = self->mode;
  GST_OBJECT_UNLOCK (self);
  self->source_format = source_format_of (GST_VIDEO_INFO_FORMAT (in_info));
  self->output_format = output_format_of (GST_VIDEO_INFO_FORMAT (out_info));
  if (chromafold_frame_geometry (GST_VIDEO_INFO_WIDTH (in_info),
          GST_VIDEO_INFO_HEIGHT (in_info), mode, &self->geometry) != 0
      || self->geometry.dst_width != GST_VIDEO_INFO_WIDTH (out_info)
      || self->geometry.dst_height != GST_VIDEO_INFO_HEIGHT (out_info)) {
    GST_ERROR_OBJECT (self, "no conversion from %" GST_PTR_FORMAT " into %"
        GST_PTR_FORMAT, incaps, outcaps);
    return FALSE;
  }
  self->output_order = GST_VIDEO_INFO_FIELD_ORDER (out_info);
  chosen_field_order (self, gst_caps_get_structure (incaps, 0),
      &self->order_from_buffers);
  GST_INFO_OBJECT (self, "%dx%d into %dx%d, %s", self->geometry.src_width,
      self->geometry.src_height, self->geometry.dst_width,
      self->geometry.dst_height,
      gst_video_field_order_to_string (self->output_order));
  return TRUE;
}

/* With auto and input caps that say no field order, the input's buffers may
 * say one: the interlaced flag with the top-field-first flag or without it.
 * The output caps follow. */
static void
gst_chromafold_before_transform (GstBaseTransform * trans, GstBuffer * buffer)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);
  GstVideoFieldOrder order;
  GstCaps *caps;

  if (!self->order_from_buffers
      || !GST_BUFFER_FLAG_IS_SET (buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED))
    return;
  order = GST_BUFFER_FLAG_IS_SET (buffer, GST_VIDEO_BUFFER_FLAG_TFF) ?
      GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST :
      GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST;
  GST_OBJECT_LOCK (self);
  self->buffer_order = order;
  GST_OBJECT_UNLOCK (self);
  if (order == self->output_order)
    return;
  caps = gst_pad_get_current_caps (GST_BASE_TRANSFORM_SRC_PAD (trans));
  if (!caps)
    return;
  caps = gst_caps_make_writable (caps);
  gst_caps_set_simple (caps, "field-order", G_TYPE_STRING,
      gst_video_field_order_to_string (order), NULL);
  GST_INFO_OBJECT (self, "the input's buffers say %s",
      gst_video_field_order_to_string (order));
  if (gst_base_transform_update_src_caps (trans, caps))
    self->output_order = order;
  gst_caps_unref (caps);
}

/* A new stream says its field order anew, and is refused anew. */
static gboolean
gst_chromafold_stop (GstBaseTransform * trans)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);

  GST_OBJECT_LOCK (self);
  self->buffer_order = GST_VIDEO_FIELD_ORDER_UNKNOWN;
  self->refused = FALSE;
  GST_OBJECT_UNLOCK (self);
  return TRUE;
}

static GstFlowReturn
gst_chromafold_transform_frame (GstVideoFilter * filter,
    GstVideoFrame * in_frame, GstVideoFrame * out_frame)
{
  GstChromafold *self = GST_CHROMAFOLD (filter);
  chromafold_planes planes;

  for (guint p = 0; p < 3; ++p) {
    const gboolean used = p < GST_VIDEO_FRAME_N_PLANES (out_frame);
    planes.data[p] = used ? GST_VIDEO_FRAME_PLANE_DATA (out_frame, p) : NULL;
    planes.stride[p] = used ? GST_VIDEO_FRAME_PLANE_STRIDE (out_frame, p) : 0;
  }
  if (chromafold_convert (&self->geometry, self->source_format,
          GST_VIDEO_FRAME_PLANE_DATA (in_frame, 0),
          GST_VIDEO_FRAME_PLANE_STRIDE (in_frame, 0), self->output_format,
          &planes) != 0) {
    GST_ELEMENT_ERROR (self, STREAM, FAILED,
        ("chromafold refused a frame."),
        ("The frames' strides or planes do not hold their rows."));
    return GST_FLOW_ERROR;
  }
  GST_BUFFER_FLAG_SET (out_frame->buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED);
  if (self->output_order == GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST)
    GST_BUFFER_FLAG_SET (out_frame->buffer, GST_VIDEO_BUFFER_FLAG_TFF);
  else
    GST_BUFFER_FLAG_UNSET (out_frame->buffer, GST_VIDEO_BUFFER_FLAG_TFF);
  return GST_FLOW_OK;
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
gst_chromafold_class_init (GstChromafoldClass * klass)
{
  GObjectClass *gobject_class = G_OBJECT_CLASS (klass);
  GstElementClass *element_class = GST_ELEMENT_CLASS (klass);
  GstBaseTransformClass *trans_class = GST_BASE_TRANSFORM_CLASS (klass);
  GstVideoFilterClass *filter_class = GST_VIDEO_FILTER_CLASS (klass);

  gobject_class->set_property = gst_chromafold_set_property;
  gobject_class->get_property = gst_chromafold_get_property;

  g_object_class_install_property (gobject_class, PROP_MODE,
      g_param_spec_enum ("mode", "Mode",
          "How the output is aligned to 16 pixels across and 32 rows down: "
          "by clipping what lies beyond, or by padding with black luma and "
          "neutral chroma", GST_TYPE_CHROMAFOLD_MODE, DEFAULT_MODE,
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
      "Interlaced 4:2:2 to 4:2:0, exactly", "Filter/Converter/Video",
      "Converts interlaced UYVY, YUY2 and v210 into I420 and NV12, and v210 "
      "also into I420_10LE and P010_10LE. Each chroma row is filtered from "
      "the two nearest rows of its own field, weighted 3:1, and rounded "
      "once, so that the fields never mix and chroma lies where MPEG-2 and "
      "H.264 site it. The output is aligned to 16 x 32, interleaved, and "
      "says its field order. Input that is not interlaced is refused.",
      "chromafold developers <dev@chromafold.invalid>");

  trans_class->transform_caps =
      GST_DEBUG_FUNCPTR (gst_chromafold_transform_caps);
  trans_class->before_transform =
      GST_DEBUG_FUNCPTR (gst_chromafold_before_transform);
  trans_class->stop = GST_DEBUG_FUNCPTR (gst_chromafold_stop);
  trans_class->accept_caps = GST_DEBUG_FUNCPTR (gst_chromafold_accept_caps);
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
}

static gboolean
plugin_init (GstPlugin * plugin)
{
  GST_DEBUG_CATEGORY_INIT (gst_chromafold_debug, "chromafold", 0,
      "interlaced 4:2:2 to 4:2:0 conversion");
  return GST_ELEMENT_REGISTER (chromafold, plugin);
}

#define PACKAGE "chromafold"
#define CHROMAFOLD_TEXT(number) #number
#define CHROMAFOLD_VERSION_TEXT(major, minor, patch) \
    CHROMAFOLD_TEXT (major) "." CHROMAFOLD_TEXT (minor) "." CHROMAFOLD_TEXT (patch)

GST_PLUGIN_DEFINE (GST_VERSION_MAJOR, GST_VERSION_MINOR, chromafold,
    "Exact interlaced 4:2:2 to 4:2:0 conversion", plugin_init,
    CHROMAFOLD_VERSION_TEXT (CHROMAFOLD_VERSION_MAJOR,
        CHROMAFOLD_VERSION_MINOR, CHROMAFOLD_VERSION_PATCH), "BSD",
    "chromafold", "https://chromafold.invalid/")
