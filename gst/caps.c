/* The formats the element converts and the caps it gives for caps: a
 * function of the caps and the element's properties alone. What the stream
 * teaches, the field order of the first buffer, is applied where the output
 * caps are fixated. */

#include "gstchromafold.h"

/* Every layout the element takes or gives, and the library's code for it;
 * what each is, the library says (chromafold_format_info). */
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

/* The library's code of a video format, or -1. */
gint32
gst_chromafold_code_of (GstVideoFormat format)
{
  for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
    if (formats[i].video == format)
      return formats[i].code;
  return -1;
}

gboolean
gst_chromafold_subsampled (gint32 code)
{
  chromafold_format_description d;

  return chromafold_format_info (code, &d) == 0 && d.subsampling == 420;
}

static gboolean
ten_bit (gint32 code)
{
  chromafold_format_description d;

  return chromafold_format_info (code, &d) == 0 && d.depth == 10;
}

/* The names of the 4:2:2 formats, or of the 4:2:0 ones, as a list in words:
 * "UYVY, YUY2 or v210". */
gchar *
gst_chromafold_format_names (gboolean subsampled_ones)
{
  GString *names = g_string_new (NULL);
  guint left = 0;

  for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
    left += gst_chromafold_subsampled (formats[i].code) == subsampled_ones;
  for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
    if (gst_chromafold_subsampled (formats[i].code) == subsampled_ones)
      g_string_append_printf (names, "%s%s", gst_video_format_to_string
          (formats[i].video), --left > 1 ? ", " : left == 1 ? " or " : "");
  return g_string_free (names, FALSE);
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
      visit (gst_chromafold_code_of (gst_video_format_from_string
              (g_value_get_string (v))), data);
  }
}

/* The formats of the other side of a conversion, gathered as bits, by the
 * index of each in `formats`. */
static void
add_counterparts (gint32 code, gpointer bits)
{
  for (guint i = 0; code >= 0 && i < G_N_ELEMENTS (formats); ++i)
    if (gst_chromafold_subsampled (formats[i].code) !=
        gst_chromafold_subsampled (code))
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
 * fixed, its interlace mode, and the field order where the property or the
 * input says one. */
static void
append_outputs (GstChromafold * self, GstCaps * out, const GstStructure * in)
{
  GstStructure *s;
  guint bits = 0;
  gboolean deep = FALSE;
  gint width, height;
  const gchar *mode = gst_structure_get_string (in, "interlace-mode");
  const gboolean mixed = mode && g_str_equal (mode, "mixed");
  const GstVideoFieldOrder order = gst_chromafold_caps_field_order (self, in);

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
    if (chromafold_frame_geometry (width, height,
            gst_chromafold_current_mode (self), &g) != 0 || g.dst_width == 0
        || g.dst_height == 0) {
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
  const GstChromafoldMode mode = gst_chromafold_current_mode (self);
  guint bits = 0;

  each_format (in, add_counterparts, &bits);
  for (int family = 0; family < 2; ++family) {
    GstStructure *s;
    GValue width = G_VALUE_INIT, height = G_VALUE_INIT;
    guint these = 0;

    for (guint i = 0; i < G_N_ELEMENTS (formats); ++i)
      if ((bits & (1u << i))
          && gst_chromafold_subsampled (formats[i].code) == family)
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

GstCaps *
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

/* The output of interleaved input always says the order the element gives
 * it, the first buffer's where neither the property nor the input caps say
 * one: the gate in field_order.c lets no input caps reach the negotiation
 * before that buffer. Output caps that downstream fixed to the other order
 * are then refused by downstream itself, as caps of the order the property
 * or the input gives are refused by the intersection. */
GstCaps *
gst_chromafold_fixate_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps, GstCaps * othercaps)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);
  const GstStructure *in = gst_caps_get_structure (caps, 0);
  GstCaps *fixed =
      gst_chromafold_parent ()->fixate_caps (trans, direction, caps,
      othercaps);
  GstStructure *out;

  if (direction != GST_PAD_SINK || gst_caps_is_empty (fixed)
      || g_strcmp0 (gst_structure_get_string (in, "interlace-mode"),
          "interleaved"))
    return fixed;
  fixed = gst_caps_make_writable (fixed);
  out = gst_caps_get_structure (fixed, 0);
  gst_structure_set (out, "field-order", G_TYPE_STRING,
      gst_video_field_order_to_string (gst_chromafold_output_field_order
          (self, in)), NULL);
  return fixed;
}
