/* Why the element refuses input: each reason once, as one element error
 * posted where the caps are set; queries only answer. */

#include "gstchromafold.h"

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
  code = format ? gst_chromafold_code_of (gst_video_format_from_string
      (format)) : -1;
  size_mode = gst_chromafold_current_mode (self);
  if (format && code < 0) {
    gchar *full = gst_chromafold_format_names (FALSE);
    gchar *half = gst_chromafold_format_names (TRUE);
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
  } else if (code >= 0 && gst_chromafold_subsampled (code) && height % 4) {
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
gboolean
gst_chromafold_accept_caps (GstBaseTransform * trans,
    GstPadDirection direction, GstCaps * caps)
{
  if (direction == GST_PAD_SINK
      && input_refusal (GST_CHROMAFOLD (trans), caps, NULL, NULL)) {
    GST_DEBUG_OBJECT (trans, "not accepted: %" GST_PTR_FORMAT, caps);
    return FALSE;
  }
  return gst_chromafold_parent ()->accept_caps (trans, direction, caps);
}

/* Where caps are set, before the pad asks ACCEPT_CAPS of them (and, on a
 * no, refuses them without calling the element), the element says why. */
GstPadProbeReturn
gst_chromafold_refuse_caps_as_they_arrive (GstPad * pad G_GNUC_UNUSED,
    GstPadProbeInfo * info, gpointer element)
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
void
gst_chromafold_explain_no_output (GstChromafold * self, GstEvent * caps_event)
{
  GstCaps *caps, *outputs, *downstream;
  const gchar *format;
  gint32 code;
  gchar *names;

  gst_event_parse_caps (caps_event, &caps);
  format = gst_structure_get_string (gst_caps_get_structure (caps, 0),
      "format");
  code = format ? gst_chromafold_code_of (gst_video_format_from_string
      (format)) : -1;
  outputs = gst_chromafold_transform_caps (GST_BASE_TRANSFORM (self),
      GST_PAD_SINK, caps, NULL);
  downstream = gst_pad_peer_query_caps (GST_BASE_TRANSFORM_SRC_PAD (self),
      NULL);
  names = gst_chromafold_format_names (code < 0
      || !gst_chromafold_subsampled (code));
  refuse (self, caps,
      g_strdup_printf ("chromafold converts %s into %s, and downstream "
          "takes none of them.", format ? format : "its input", names),
      g_strdup_printf ("It would give %" GST_PTR_FORMAT
          ", and downstream takes %" GST_PTR_FORMAT ".", outputs, downstream));
  g_free (names);
  gst_caps_unref (outputs);
  gst_caps_unref (downstream);
}
