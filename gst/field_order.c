/* The field order of the output, and the gate that lets no caps leave the
 * element before it is known.
 *
 * The base class negotiates from the input caps when they arrive, and from
 * the sink pad's caps again when an ALLOCATION query or a buffer meets a
 * pending reconfigure (a request from downstream, a new property).
 * Interleaved input caps whose order only a buffer can say are therefore
 * held back from it, with the serialized events after them, until the first
 * buffer after them says the order, or an EOS or a GAP leaves it top field
 * first; meanwhile an ALLOCATION query is answered no, as the base class
 * answers it before negotiation, and flushes pass. */

#include "gstchromafold.h"

/* The field order the output of `input` takes from the property and the
 * caps alone: the property's, else for an interleaved input the caps'.
 * Unknown where neither says one, and for a mixed input but where the
 * property does. */
GstVideoFieldOrder
gst_chromafold_caps_field_order (GstChromafold * self,
    const GstStructure * input)
{
  const gchar *mode = gst_structure_get_string (input, "interlace-mode");
  const gchar *caps_order = gst_structure_get_string (input, "field-order");
  GstChromafoldFieldOrder property;

  GST_OBJECT_LOCK (self);
  property = self->field_order;
  GST_OBJECT_UNLOCK (self);
  if (property != GST_CHROMAFOLD_FIELD_ORDER_AUTO)
    return property == GST_CHROMAFOLD_FIELD_ORDER_TOP_FIELD_FIRST ?
        GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST :
        GST_VIDEO_FIELD_ORDER_BOTTOM_FIELD_FIRST;
  if (mode && g_str_equal (mode, "mixed"))
    return GST_VIDEO_FIELD_ORDER_UNKNOWN;
  return caps_order ? gst_video_field_order_from_string (caps_order) :
      GST_VIDEO_FIELD_ORDER_UNKNOWN;
}

/* The field order the output of `input` is converted with and says: as the
 * property and the caps give it, else what the first buffer after the caps
 * said, else top field first; for a mixed input, unknown but where the
 * property gives one, each frame saying its own. */
GstVideoFieldOrder
gst_chromafold_output_field_order (GstChromafold * self,
    const GstStructure * input)
{
  const gchar *mode = gst_structure_get_string (input, "interlace-mode");
  GstVideoFieldOrder order = gst_chromafold_caps_field_order (self, input);

  if (order != GST_VIDEO_FIELD_ORDER_UNKNOWN || (mode
          && g_str_equal (mode, "mixed")))
    return order;
  GST_OBJECT_LOCK (self);
  order = self->buffer_order;
  GST_OBJECT_UNLOCK (self);
  return order != GST_VIDEO_FIELD_ORDER_UNKNOWN ? order :
      GST_VIDEO_FIELD_ORDER_TOP_FIELD_FIRST;
}

static gboolean
order_waits_for_buffer (GstChromafold * self, GstCaps * caps)
{
  const GstStructure *s = gst_caps_get_structure (caps, 0);

  return gst_chromafold_caps_field_order (self, s) ==
      GST_VIDEO_FIELD_ORDER_UNKNOWN
      && !g_strcmp0 (gst_structure_get_string (s, "interlace-mode"),
      "interleaved");
}

/* Hands input caps on to the negotiation, or says why they lead nowhere.
 * Takes the event. */
static gboolean
negotiate (GstChromafold * self, GstEvent * caps_event)
{
  gboolean negotiated;

  negotiated = gst_chromafold_parent ()->sink_event (GST_BASE_TRANSFORM
      (self), gst_event_ref (caps_event));
  if (!negotiated)
    gst_chromafold_explain_no_output (self, caps_event);
  gst_event_unref (caps_event);
  return negotiated;
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
      gst_chromafold_parent ()->sink_event (GST_BASE_TRANSFORM (self), event);
  return released;
}

void
gst_chromafold_drop_held (GstChromafold * self)
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

gboolean
gst_chromafold_sink_event (GstBaseTransform * trans, GstEvent * event)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);
  GstCaps *caps;

  switch (GST_EVENT_TYPE (event)) {
    case GST_EVENT_CAPS:
      /* New caps take the order of the buffers after them. */
      gst_chromafold_drop_held (self);
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
  return gst_chromafold_parent ()->sink_event (trans, event);
}

gboolean
gst_chromafold_query (GstBaseTransform * trans, GstPadDirection direction,
    GstQuery * query)
{
  if (direction == GST_PAD_SINK && GST_QUERY_TYPE (query) ==
      GST_QUERY_ALLOCATION && GST_CHROMAFOLD (trans)->held_caps) {
    GST_DEBUG_OBJECT (trans, "no allocation before the field order is known");
    return FALSE;
  }
  return gst_chromafold_parent ()->query (trans, direction, query);
}

GstFlowReturn
gst_chromafold_submit_input_buffer (GstBaseTransform * trans,
    gboolean discont, GstBuffer * input)
{
  GstChromafold *self = GST_CHROMAFOLD (trans);

  if (self->held_caps && !release_held (self, input)) {
    gst_buffer_unref (input);
    return GST_FLOW_NOT_NEGOTIATED;
  }
  return gst_chromafold_parent ()->submit_input_buffer (trans, discont, input);
}
