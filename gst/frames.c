/* The buffers the element converts: checked before they are mapped, then
 * converted frame by frame by the library, each flagged with its field
 * order. */

#include "gstchromafold.h"

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
  const gint32 code = gst_chromafold_code_of (GST_VIDEO_INFO_FORMAT (info));
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
GstFlowReturn
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
  return gst_chromafold_parent ()->transform (trans, input, output);
}

GstFlowReturn
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
