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
 * right one; a mixed stream keeps each frame's own flags. */

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
  GST_CHROMAFOLD_MODE_KEEP = CHROMAFOLD_MODE_KEEP,
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

enum
{
  PROP_0,
  PROP_MODE,
  PROP_FIELD_ORDER,
};

#define DEFAULT_MODE GST_CHROMAFOLD_MODE_KEEP
#define DEFAULT_FIELD_ORDER GST_CHROMAFOLD_FIELD_ORDER_AUTO

/* Every layout the element takes or gives, and the library's code for it. */
static const struct
{
  GstVideoFormat video;
  gint32 code;
} formats[] = {
  {GST_VIDEO_FORMAT_UYVY, CHROMAFOLD_FORMAT_UYVY},
  {GST_VIDEO_FORMAT_YUY2, CHROMAFOLD_FORMAT_YUY2},
  {GST_VIDEO_FORMAT_v210, CHROMAFOLD_FORMAT_V210},
  {GST_VIDEO_FORMAT_Y42B, CHROMAFOLD_FORMAT_I422},
  {GST_VIDEO_FORMAT_NV16, CHROMAFOLD_FORMAT_NV16},
  {GST_VIDEO_FORMAT_I422_10LE, CHROMAFOLD_FORMAT_I422_10},
  {GST_VIDEO_FORMAT_I420, CHROMAFOLD_FORMAT_I420},
  {GST_VIDEO_FORMAT_NV12, CHROMAFOLD_FORMAT_NV12},
  {GST_VIDEO_FORMAT_I420_10LE, CHROMAFOLD_FORMAT_I010},
  {GST_VIDEO_FORMAT_P010_10LE, CHROMAFOLD_FORMAT_P010},
};

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

/* The library's code of a video format, or -1. */
static gint32
code_of (GstVideoFormat format)
{
  for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
    if (formats[i].video == format)
      return formats[i].code;
  return -1;
}

static gboolean
subsampled (gint32 code)
{
  return code >= CHROMAFOLD_FORMAT_I420;
}

static gboolean
ten_bit (gint32 code)
{
  return code == CHROMAFOLD_FORMAT_V210 || code == CHROMAFOLD_FORMAT_I422_10
      || code == CHROMAFOLD_FORMAT_I010 || code == CHROMAFOLD_FORMAT_P010;
}

/* The names of the 4:2:2 formats, or of the 4:2:0 ones, as a list in words:
 * "UYVY, YUY2 or v210". */
static gchar *
format_names (gboolean subsampled_ones)
{
  GString *names = g_string_new (NULL);
  guint left = 0;

  for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
    left += subsampled (formats[i].code) == subsampled_ones;
  for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
    if (subsampled (formats[i].code) == subsampled_ones)
      g_string_append_printf (names, "%s%s", gst_video_format_to_string
          (formats[i].video), --left > 1 ? ", " : left == 1 ? " or " : "");
  return g_string_free (names, FALSE);
}

static GstChromafoldMode
current_mode (GstChromafold * self)
{
  GstChromafoldMode mode;

  GST_OBJECT_LOCK (self);
  mode = self->mode;
  GST_OBJECT_UNLOCK (self);
  return mode;
}

/* The field order of the output of `input`: for an interleaved input, the
 * property's, else the input caps', else what the first buffer's flags said;
 * for a mixed one, the property's. Unknown where none of them says one. */
static GstVideoFieldOrder
output_field_order (GstChromafold * self, const GstStructure * input)
{
  const gchar *mode = gst_structure_get_string (input, "interlace-mode");
  const gchar *caps_order = gst_structure_get_string (input, "field-order");
  GstChromafoldFieldOrder property;
  GstVideoFieldOrder said_by_buffer;

  GST_OBJECT_LOCK (self);
  property = self->field_order;
  said_by_buffer = self->buffer_order;
  GST_OBJECT_UNLOCK (self);
  if (property != GST_CHROMAFOLD_FIELD_ORDER_AUTO)
    return property == GST_CHROMAFOLD_FIELD_ORDER_TOP_FIELD_FIRST ?
        GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST :
        GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST;
  if (mode && g_str_equal (mode, "mixed"))
    return GST_VIDEO_FIELD_ORDER_UNKNOWN;
  if (caps_order
      && gst_video_field_order_from_string (caps_order) !=
      GST_VIDEO_FIELD_ORDER_UNKNOWN)
    return gst_video_field_order_from_string (caps_order);
  return said_by_buffer;
}

/* Calls `visit` with each known format that a structure's format field, one
 * or a list, names; with every format where it names none. */
static void
each_format (const GstStructure * s, void (*visit) (gint32, gpointer),
    gpointer data)
{
  const GValue *field = gst_structure_get_value (s, "format");
  const guint count = !field ? 0 : GST_VALUE_HOLDS_LIST (field) ?
      gst_value_list_get_size (field) : 1;

  for (guint i = 0; i < G_N_ELEMENTS (formats) && !field; ++i)
    visit (formats[i].code, data);
  for (guint i = 0; i < count; ++i) {
    const GValue *v = GST_VALUE_HOLDS_LIST (field) ?
        gst_value_list_get_value (field, i) : field;
    if (G_VALUE_HOLDS_STRING (v))
      visit (code_of (gst_video_format_from_string (g_value_get_string (v))),
          data);
  }
}

/* The formats of the other side of a conversion, gathered as bits, by the
 * index of each in `formats`. */
static void
add_counterparts (gint32 code, gpointer bits)
{
  for (guint i = 0; code >= 0 && i < G_N_ELEMENTS (formats); ++i)
    if (subsampled (formats[i].code) != subsampled (code))
      *(guint *) bits |= 1u << i;
}

/* Sets a structure's format to the list of formats in `bits`, those of the
 * depth `ten_bits` says first: a depth is kept unless downstream asks for
 * another. */
static void
set_formats (GstStructure * s, guint bits, gboolean ten_bits)
{
  GValue list = G_VALUE_INIT;

  gst_value_list_init (&list, G_N_ELEMENTS (formats));
  for (int pass = 0; pass < 2; ++pass)
    for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
      if ((bits & (1u << i)) && ten_bit (formats[i].code) == (pass ? !ten_bits
              : ten_bits)) {
        GValue v = G_VALUE_INIT;
        g_value_init (&v, G_TYPE_STRING);
        g_value_set_string (&v, gst_video_format_to_string (formats[i].video));
        gst_value_list_append_and_take_value (&list, &v);
      }
  gst_structure_take_value (s, "format", &list);
}

static void
note_ten_bit (gint32 code, gpointer any)
{
  *(gboolean *) any |= code >= 0 && ten_bit (code);
}

/* Output structures from one input structure: the formats its formats
 * convert into, the size the library's geometry gives when the input's is
 * fixed, its interlace mode and the field order the output takes. */
static void
append_outputs (GstChromafold * self, GstCaps * out, const GstStructure * in)
{
  GstStructure *s;
  guint bits = 0;
  gboolean deep = FALSE;
  gint width, height;
  const gchar *mode = gst_structure_get_string (in, "interlace-mode");
  const gboolean mixed = mode && g_str_equal (mode, "mixed");
  GstVideoFieldOrder order = output_field_order (self, in);

  each_format (in, add_counterparts, &bits);
  each_format (in, note_ten_bit, &deep);
  if (!bits)
    return;
  s = gst_structure_copy (in);
  set_formats (s, bits, deep);
  if (gst_structure_get_int (in, "width", &width)
      && gst_structure_get_int (in, "height", &height)) {
    chromafold_geometry g;
    /* A size that the library refuses, or that leaves nothing, has no
     * output: the input's refusal says why. */
    if (chromafold_frame_geometry (width, height, current_mode (self),
            &g) != 0 || g.dst_width == 0 || g.dst_height == 0) {
      gst_structure_free (s);
      return;
    }
    gst_structure_set (s, "width", G_TYPE_INT, g.dst_width, "height",
        G_TYPE_INT, g.dst_height, NULL);
  } else {
    gst_structure_set (s, "width", GST_TYPE_INT_RANGE, 2, 32768, "height",
        GST_TYPE_INT_RANGE, 4, 32768, NULL);
  }
  gst_structure_remove_fields (s, "field-order", "chroma-site", NULL);
  gst_structure_set (s, "interlace-mode", G_TYPE_STRING,
      mixed ? "mixed" : "interleaved", "chroma-site", G_TYPE_STRING, "mpeg2",
      NULL);
  if (order != GST_VIDEO_FIELD_ORDER_UNKNOWN && !mixed)
    gst_structure_set (s, "field-order", G_TYPE_STRING,
        gst_video_field_order_to_string (order), NULL);
  gst_caps_append_structure (out, s);
}

/* Input structures from one output structure: the formats that convert into
 * one of its formats, of every size the mode takes; of a 4:2:0 input, whose
 * fields hold whole pairs of chroma rows, heights of a multiple of 4. */
static void
append_inputs (GstChromafold * self, GstCaps * out, const GstStructure * in)
{
  const gchar *const modes[] = { "interleaved", "mixed", "progressive" };
  const GstChromafoldMode mode = current_mode (self);
  guint bits = 0;

  each_format (in, add_counterparts, &bits);
  for (int family = 0; family < 2; ++family) {
    GstStructure *s;
    GValue width = G_VALUE_INIT, height = G_VALUE_INIT;
    guint these = 0;

    for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
      if ((bits & (1u << i)) && subsampled (formats[i].code) == family)
        these |= 1u << i;
    if (!these)
      continue;
    s = gst_structure_copy (in);
    set_formats (s, these, FALSE);
    gst_structure_remove_fields (s, "field-order", "chroma-site", NULL);
    /* Even widths; clip leaves nothing of less than 16 x 32, keep nothing of
     * less than four rows. */
    g_value_init (&width, GST_TYPE_INT_RANGE);
    gst_value_set_int_range_step (&width, mode == GST_CHROMAFOLD_MODE_CLIP ?
        16 : 2, 32768, 2);
    gst_structure_take_value (s, "width", &width);
    g_value_init (&height, GST_TYPE_INT_RANGE);
    gst_value_set_int_range_step (&height, mode == GST_CHROMAFOLD_MODE_CLIP ?
        32 : family || mode == GST_CHROMAFOLD_MODE_KEEP ? 4 : 1, 32768,
        family ? 4 : 1);
    gst_structure_take_value (s, "height", &height);
    for (guint m = 0; m < G_N_ELEMENTS (modes); ++m) {
      GstStructure *t = gst_structure_copy (s);
      gst_structure_set (t, "interlace-mode", G_TYPE_STRING, modes[m], NULL);
      gst_caps_append_structure (out, t);
    }
    gst_structure_free (s);
  }
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
      append_inputs (self, out, gst_caps_get_structure (caps, i));
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

/* Why fixed input caps cannot be converted: TRUE, with the value and the
 * rule in *reason and the way out in *remedy (either pointer may be NULL),
 * or FALSE where they can be, as far as the caps alone say. Asks nothing and
 * changes nothing, so that a query can answer with it. */
static gboolean
input_refusal (GstChromafold * self, GstCaps * caps, gchar ** reason,
    gchar ** remedy)
{
  const GstStructure *s;
  const gchar *mode, *format;
  gint width, height;
  gint32 code;
  chromafold_geometry g;
  GstChromafoldMode size_mode;
  gchar *why = NULL, *way_out = NULL;

  if (!gst_caps_is_fixed (caps))
    return FALSE;
  s = gst_caps_get_structure (caps, 0);
  mode = gst_structure_get_string (s, "interlace-mode");
  format = gst_structure_get_string (s, "format");
  code = format ? code_of (gst_video_format_from_string (format)) : -1;
  size_mode = current_mode (self);
  if (format && code < 0) {
    gchar *full = format_names (FALSE), *half = format_names (TRUE);
    why = g_strdup_printf ("chromafold converts 4:2:2 (%s) and 4:2:0 (%s), "
        "and its input is %s.", full, half, format);
    way_out = g_strdup ("It converts either into the other.");
    g_free (full);
    g_free (half);
  } else if (!mode || !(g_str_equal (mode, "interleaved")
          || g_str_equal (mode, "mixed"))) {
    why = g_strdup_printf ("chromafold converts interlaced video, and its "
        "input is %s.", mode ? mode : "progressive");
    way_out = g_strdup ("It takes frames whose two fields are interleaved "
        "(interlace-mode=interleaved), or streams of interlaced and "
        "progressive frames (interlace-mode=mixed). Video that is "
        "interlaced but flagged otherwise, as many grabbers flag it "
        "progressive, can be marked so upstream: rawvideoparse "
        "interlaced=true, or capssetter "
        "caps=\"video/x-raw,interlace-mode=interleaved\".");
  } else if (!gst_structure_get_int (s, "width", &width)
      || !gst_structure_get_int (s, "height", &height)) {
    return FALSE;
  } else if (width % 2) {
    why = g_strdup_printf ("chromafold takes frames of an even width, and "
        "its input is %d pixels wide.", width);
    way_out = g_strdup ("4:2:2 and 4:2:0 chroma each cover a pair of "
        "pixels.");
  } else if (chromafold_frame_geometry (width, height, size_mode, &g) != 0) {
    return FALSE;
  } else if (size_mode == GST_CHROMAFOLD_MODE_CLIP && (g.dst_width == 0
          || g.dst_height == 0)) {
    why = g_strdup_printf ("In clip mode chromafold rounds its input down to "
        "a multiple of 16 pixels and 32 rows, and a %dx%d input leaves "
        "nothing.", width, height);
    way_out = g_strdup ("mode=keep keeps the input's size; mode=padding "
        "pads it to 16 x 32.");
  } else if (code >= 0 && subsampled (code) && height % 4) {
    why = g_strdup_printf ("chromafold takes 4:2:0 frames whose fields hold "
        "whole pairs of chroma rows, of a multiple of 4 rows, and its input "
        "is %d rows high.", height);
    way_out = g_strdup ("A 4:2:0 frame of an odd number of chroma rows in a "
        "field has no exact 4:2:2 rows.");
  } else if (g.dst_height == 0) {
    why = g_strdup_printf ("chromafold keeps whole groups of four rows, two "
        "of each field, and an input of %d rows has none.", height);
    way_out = g_strdup ("mode=padding pads a shorter input with black "
        "rows.");
  } else {
    return FALSE;
  }
  if (reason)
    *reason = why;
  else
    g_free (why);
  if (remedy)
    *remedy = way_out;
  else
    g_free (way_out);
  return TRUE;
}

/* Posts why the input is refused, once a stream, as one element error. */
static void
refuse (GstChromafold * self, GstCaps * caps, gchar * reason, gchar * remedy)
{
  gboolean first;

  GST_OBJECT_LOCK (self);
  first = !self->refused;
  self->refused = TRUE;
  GST_OBJECT_UNLOCK (self);
  if (first)
    GST_ELEMENT_ERROR (self, CORE, NEGOTIATION, ("%s", reason),
        ("%s Input: %" GST_PTR_FORMAT, remedy, caps));
  g_free (reason);
  g_free (remedy);
}

/* The ACCEPT_CAPS query only answers: input the element cannot convert gets
 * a plain no, and nothing is posted. */
static gboolean
gst_chromafold_accept_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps)
{
  if (direction == GST_PAD_SINK
      && input_refusal (GST_CHROMAFOLD (trans), caps, NULL, NULL)) {
    GST_DEBUG_OBJECT (trans, "not accepted: %" GST_PTR_FORMAT, caps);
    return FALSE;
  }
  return GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->accept_caps
      (trans, direction, caps);
}

/* Where caps are set, before the pad asks ACCEPT_CAPS of them (and, on a
 * no, refuses them without calling the element), the element says why. */
static GstPadProbeReturn
refuse_caps_as_they_arrive (GstPad * pad G_GNUC_UNUSED, GstPadProbeInfo * info,
    gpointer element)
{
  GstEvent *event = GST_PAD_PROBE_INFO_EVENT (info);
  GstCaps *caps;
  gchar *reason, *remedy;

  if (GST_EVENT_TYPE (event) != GST_EVENT_CAPS)
    return GST_PAD_PROBE_OK;
  gst_event_parse_caps (event, &caps);
  if (input_refusal (GST_CHROMAFOLD (element), caps, &reason, &remedy))
    refuse (GST_CHROMAFOLD (element), caps, reason, remedy);
  return GST_PAD_PROBE_OK;
}

/* Input caps that the element accepted but could not agree on an output
 * for: downstream takes none of the outputs the input converts into. */
static void
explain_no_output (GstChromafold * self, GstEvent * caps_event)
{
  GstCaps *caps, *outputs, *downstream;
  const gchar *format;
  gint32 code;
  gchar *names;

  gst_event_parse_caps (caps_event, &caps);
  format = gst_structure_get_string (gst_caps_get_structure (caps, 0),
      "format");
  code = format ? code_of (gst_video_format_from_string (format)) : -1;
  outputs = gst_chromafold_transform_caps (GST_BASE_TRANSFORM (self),
      GST_PAD_SINK, caps, NULL);
  downstream = gst_pad_peer_query_caps (GST_BASE_TRANSFORM_SRC_PAD (self),
      NULL);
  names = format_names (code < 0 || !subsampled (code));
  refuse (self, caps,
      g_strdup_printf ("chromafold converts %s into %s, and downstream "
          "takes none of them.", format ? format : "its input", names),
      g_strdup_printf ("It would give %" GST_PTR_FORMAT
          ", and downstream takes %" GST_PTR_FORMAT ".", outputs, downstream));
  g_free (names);
  gst_caps_unref (outputs);
  gst_caps_unref (downstream);
}

/* Hands input caps on to the negotiation, or says why they lead nowhere.
 * Takes the event. */
static gboolean
negotiate (GstChromafold * self, GstEvent * caps_event)
{
  gboolean negotiated;

  negotiated =
      GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->sink_event
      (GST_BASE_TRANSFORM (self), gst_event_ref (caps_event));
  if (!negotiated)
    explain_no_output (self, caps_event);
  gst_event_unref (caps_event);
  return negotiated;
}

/* Negotiation waits for the output's field order, so that no caps leave the
 * element before the order they carry is known. The base class negotiates
 * from the input caps when they arrive, and from the sink pad's caps again
 * when an ALLOCATION query or a buffer meets a pending reconfigure (a
 * request from downstream, a new property). Interleaved input caps whose
 * order only a buffer can say are therefore held back from it, with the
 * serialized events after them, until the first buffer after them says the
 * order, or an EOS or a GAP leaves it top field first; meanwhile an
 * ALLOCATION query is answered no, as the base class answers it before
 * negotiation, and flushes pass. */
static gboolean
order_waits_for_buffer (GstChromafold * self, GstCaps * caps)
{
  const GstStructure *s = gst_caps_get_structure (caps, 0);

  return output_field_order (self, s) == GST_VIDEO_FIELD_ORDER_UNKNOWN
      && !g_strcmp0 (gst_structure_get_string (s, "interlace-mode"),
      "interleaved");
}

/* Negotiates the held caps with the order `buffer` says (top field first
 * where it says none), then hands on the events held after them, in their
 * order. */
static gboolean
release_held (GstChromafold * self, GstBuffer * buffer)
{
  GstEvent *caps = self->held_caps, *event;
  gboolean released;

  GST_OBJECT_LOCK (self);
  self->buffer_order = buffer
      && GST_BUFFER_FLAG_IS_SET (buffer, GST_VIDEO_BUFFER_FLAG_INTERLACED)
      && !GST_BUFFER_FLAG_IS_SET (buffer, GST_VIDEO_BUFFER_FLAG_TFF) ?
      GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST :
      GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST;
  GST_OBJECT_UNLOCK (self);
  self->held_caps = NULL;
  released = negotiate (self, caps);
  while ((event = g_queue_pop_head (&self->held_events)))
    if (!released)
      gst_event_unref (event);
    else
      GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->sink_event
          (GST_BASE_TRANSFORM (self), event);
  return released;
}

static void
drop_held (GstChromafold * self)
{
  gst_event_replace (&self->held_caps, NULL);
  g_queue_clear_full (&self->held_events, (GDestroyNotify) gst_event_unref);
}

/* A flush drops what it drops on a pad: every event but the sticky ones
 * that outlive it. */
static void
flush_held (GstChromafold * self)
{
  GQueue kept = G_QUEUE_INIT;
  GstEvent *event;

  while ((event = g_queue_pop_head (&self->held_events))) {
    const GstEventType type = GST_EVENT_TYPE (event);
    if (GST_EVENT_IS_STICKY (event) && type != GST_EVENT_SEGMENT
        && type != GST_EVENT_STREAM_GROUP_DONE)
      g_queue_push_tail (&kept, event);
    else
      gst_event_unref (event);
  }
  self->held_events = kept;
}

static gboolean
gst_chromafold_sink_event (GstBaseTransform * trans, GstEvent * event)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);
  GstCaps *caps;

  switch (GST_EVENT_TYPE (event)) {
    case GST_EVENT_CAPS:
      /* New caps take the order of the buffers after them. */
      drop_held (self);
      GST_OBJECT_LOCK (self);
      self->buffer_order = GST_VIDEO_FIELD_ORDER_UNKNOWN;
      GST_OBJECT_UNLOCK (self);
      gst_event_parse_caps (event, &caps);
      if (order_waits_for_buffer (self, caps)) {
        GST_DEBUG_OBJECT (self, "caps held until a buffer says the order");
        self->held_caps = event;
        return TRUE;
      }
      return negotiate (self, event);
    case GST_EVENT_FLUSH_STOP:
      flush_held (self);
      break;
    case GST_EVENT_EOS:
    case GST_EVENT_GAP:
      if (self->held_caps && !release_held (self, NULL)) {
        gst_event_unref (event);
        return FALSE;
      }
      break;
    default:
      if (self->held_caps && GST_EVENT_IS_SERIALIZED (event)) {
        g_queue_push_tail (&self->held_events, event);
        return TRUE;
      }
      break;
  }
  return GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->sink_event
      (trans, event);
}

static gboolean
gst_chromafold_query (GstBaseTransform * trans, GstPadDirection direction,
    GstQuery * query)
{
  if (direction == GST_PAD_SINK && GST_QUERY_TYPE (query) ==
      GST_QUERY_ALLOCATION && GST_CHROMAFOLD (trans)->held_caps) {
    GST_DEBUG_OBJECT (trans, "no allocation before the field order is known");
    return FALSE;
  }
  return GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->query
      (trans, direction, query);
}

static GstFlowReturn
gst_chromafold_submit_input_buffer (GstBaseTransform * trans,
    gboolean discont, GstBuffer * input)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);

  if (self->held_caps && !release_held (self, input)) {
    gst_buffer_unref (input);
    return GST_FLOW_NOT_NEGOTIATED;
  }
  return GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->
      submit_input_buffer (trans, discont, input);
}

static gboolean
gst_chromafold_set_info (GstVideoFilter * filter, GstCaps * incaps,
    GstVideoInfo * in_info, GstCaps * outcaps, GstVideoInfo * out_info)
{
  GstChromafold *self = GST_CHROMAFOLD (filter);

  self->source_format = code_of (GST_VIDEO_INFO_FORMAT (in_info));
  self->output_format = code_of (GST_VIDEO_INFO_FORMAT (out_info));
  self->mixed = GST_VIDEO_INFO_INTERLACE_MODE (in_info) ==
      GST_VIDEO_INTERLACE_MODE_MIXED;
  self->order = output_field_order (self, gst_caps_get_structure (incaps, 0));
  if (!self->mixed && self->order == GST_VIDEO_FIELD_ORDER_UNKNOWN)
    self->order = GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST;
  if (chromafold_frame_geometry (GST_VIDEO_INFO_WIDTH (in_info),
          GST_VIDEO_INFO_HEIGHT (in_info), current_mode (self),
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

  drop_held (self);
  GST_OBJECT_LOCK (self);
  self->buffer_order = GST_VIDEO_FIELD_ORDER_UNKNOWN;
  self->refused = FALSE;
  GST_OBJECT_UNLOCK (self);
  return TRUE;
}

/* Whether `buffer` holds the frame `info` describes as it will be mapped:
 * without a video meta, the whole frame of the caps; with one, a meta of the
 * caps' format and planes, each plane's rows (the library's row at the
 * caps' width, `stride` apart) within the memory that holds its first byte,
 * which is all that is mapped of it. Otherwise says why in *why. */
static gboolean
frame_fits (GstBuffer * buffer, const GstVideoInfo * info, gchar ** why)
{
  const GstVideoMeta *meta = gst_buffer_get_video_meta (buffer);
  const gsize size = gst_buffer_get_size (buffer);
  const gint32 code = code_of (GST_VIDEO_INFO_FORMAT (info));
  const gint width = GST_VIDEO_INFO_WIDTH (info);

  if (!meta) {
    if (size >= GST_VIDEO_INFO_SIZE (info))
      return TRUE;
    *why = g_strdup_printf ("holds %" G_GSIZE_FORMAT " bytes, and a %dx%d %s "
        "frame takes %" G_GSIZE_FORMAT, size, width,
        GST_VIDEO_INFO_HEIGHT (info), GST_VIDEO_INFO_NAME (info),
        GST_VIDEO_INFO_SIZE (info));
    return FALSE;
  }
  if (meta->format != GST_VIDEO_INFO_FORMAT (info)
      || meta->width < (guint) width
      || meta->height < (guint) GST_VIDEO_INFO_HEIGHT (info)
      || meta->n_planes != GST_VIDEO_INFO_N_PLANES (info)) {
    *why = g_strdup_printf ("has a video meta of a %ux%u %s frame in %u "
        "planes, and the caps say %dx%d %s", meta->width, meta->height,
        gst_video_format_to_string (meta->format), meta->n_planes, width,
        GST_VIDEO_INFO_HEIGHT (info), GST_VIDEO_INFO_NAME (info));
    return FALSE;
  }
  for (guint p = 0; p < meta->n_planes; ++p) {
    const guint64 row = chromafold_row_bytes (code, p, width);
    gint components[GST_VIDEO_MAX_COMPONENTS];
    guint64 rows;
    guint index, length;
    gsize skip;
    guint64 held = 0;

    gst_video_format_info_component (info->finfo, p, components);
    rows = GST_VIDEO_INFO_COMP_HEIGHT (info, components[0]);
    if (gst_buffer_find_memory (buffer, meta->offset[p], 1, &index, &length,
            &skip))
      held = gst_buffer_peek_memory (buffer, index)->size - skip;
    if (meta->stride[p] < 0 || (guint64) meta->stride[p] < row
        || (rows - 1) * meta->stride[p] + row > held) {
      *why = g_strdup_printf ("has a video meta whose plane %u (offset %"
          G_GSIZE_FORMAT ", stride %d, %" G_GUINT64_FORMAT " rows of %"
          G_GUINT64_FORMAT " bytes) does not fit the %" G_GUINT64_FORMAT
          " bytes of memory from its offset", p, meta->offset[p],
          meta->stride[p], rows, row, held);
      return FALSE;
    }
  }
  return TRUE;
}

/* A buffer that does not hold its frame is never read past its memory and
 * never becomes an output frame: the stream stops with an error. */
static GstFlowReturn
gst_chromafold_transform (GstBaseTransform * trans, GstBuffer * input,
    GstBuffer * output)
{
  GstVideoFilter *filter = GST_VIDEO_FILTER (trans);
  gchar *why = NULL;
  const gboolean input_fits = frame_fits (input, &filter->in_info, &why);

  if (!input_fits || !frame_fits (output, &filter->out_info, &why)) {
    GST_ELEMENT_ERROR (trans, STREAM, FORMAT, ("The %s buffer %s.",
            input_fits ? "output" : "input", why),
        ("chromafold converts whole frames only."));
    g_free (why);
    return GST_FLOW_ERROR;
  }
  return GST_BASE_TRANSFORM_CLASS (gst_chromafold_parent_class)->transform
      (trans, input, output);
}

static GstFlowReturn
gst_chromafold_transform_frame (GstVideoFilter * filter,
    GstVideoFrame * in_frame, GstVideoFrame * out_frame)
{
  GstChromafold *self = GST_CHROMAFOLD (filter);
  GstBuffer *in = in_frame->buffer, *out = out_frame->buffer;
  /* In a mixed stream, a frame not flagged interlaced is progressive. */
  const gboolean interlaced = !self->mixed
      || GST_BUFFER_FLAG_IS_SET (in, GST_VIDEO_BUFFER_FLAG_INTERLACED);
  chromafold_source_planes source;
  chromafold_planes planes;
  gboolean tff;

  for (guint p = 0; p < 3; ++p) {
    const gboolean in_used = p < GST_VIDEO_FRAME_N_PLANES (in_frame);
    const gboolean out_used = p < GST_VIDEO_FRAME_N_PLANES (out_frame);
    source.data[p] = in_used ? GST_VIDEO_FRAME_PLANE_DATA (in_frame, p) : NULL;
    source.stride[p] = in_used ? GST_VIDEO_FRAME_PLANE_STRIDE (in_frame, p) : 0;
    planes.data[p] = out_used ? GST_VIDEO_FRAME_PLANE_DATA (out_frame, p) : NULL;
    planes.stride[p] = out_used ? GST_VIDEO_FRAME_PLANE_STRIDE (out_frame, p) : 0;
  }
  if (chromafold_convert_planes (&self->geometry, interlaced ?
          CHROMAFOLD_SCAN_INTERLACED : CHROMAFOLD_SCAN_PROGRESSIVE,
          self->source_format, &source, self->output_format, &planes) != 0) {
    GST_ELEMENT_ERROR (self, STREAM, FAILED,
        ("chromafold refused a frame."),
        ("The frames' strides or planes do not hold their rows."));
    return GST_FLOW_ERROR;
  }
  if (!interlaced) {
    GST_BUFFER_FLAG_UNSET (out, GST_VIDEO_BUFFER_FLAG_INTERLACED);
    GST_BUFFER_FLAG_UNSET (out, GST_VIDEO_BUFFER_FLAG_TFF);
    return GST_FLOW_OK;
  }
  tff = self->order == GST_VIDEO_FIELD_ORDER_UNKNOWN ?
      GST_BUFFER_FLAG_IS_SET (in, GST_VIDEO_BUFFER_FLAG_TFF) :
      self->order == GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST;
  GST_BUFFER_FLAG_SET (out, GST_VIDEO_BUFFER_FLAG_INTERLACED);
  if (tff)
    GST_BUFFER_FLAG_SET (out, GST_VIDEO_BUFFER_FLAG_TFF);
  else
    GST_BUFFER_FLAG_UNSET (out, GST_VIDEO_BUFFER_FLAG_TFF);
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
gst_chromafold_finalize (GObject * object)
{
  drop_held (GST_CHROMAFOLD (object));
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
      GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, refuse_caps_as_they_arrive, self,
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
