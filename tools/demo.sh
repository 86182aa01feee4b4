#!/bin/sh
# Makes a sample interlaced clip, converts it, and says what came out.
# usage: tools/demo.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
demo="$build/demo"
mkdir -p "$demo"
cd "$demo"

width=720 height=486 frames=90
"$build/make_sample_clip" sample.yuv $width $height $frames
echo "sample.yuv: $frames frames of ${width}x${height} UYVY 4:2:2, $(wc -c < sample.yuv) bytes"
echo "  colour bars scrolling sideways and a bouncing box; the bottom field is"
echo "  sampled half a frame after the top field, as an interlaced camera does"
echo

convert() {
    label=$1 out_height=$2
    shift 2
    "$build/chromafold" "$@" sample.yuv
    mv sample.420 "sample-$label.420"
    echo "sample-$label.420: ${width}x${out_height} raw420 (planar 4:2:0), $(wc -c < "sample-$label.420") bytes"
}
echo "chromafold sample.yuv          (clip mode, the default)"
convert clip 480
echo
echo "chromafold -m 1 sample.yuv     (padding mode)"
convert padding 512 -m 1
echo
echo "To look at the result:"
echo "  ffplay -f rawvideo -pixel_format yuv420p -video_size ${width}x480 -framerate 30000/1001 $demo/sample-clip.420"
echo "  ffplay -f rawvideo -pixel_format yuv420p -video_size ${width}x512 -framerate 30000/1001 $demo/sample-padding.420"
echo "  ffmpeg -f rawvideo -pixel_format yuv420p -video_size ${width}x480 -framerate 30000/1001 \\"
echo "         -i $demo/sample-clip.420 -vf bwdif -c:v libx264 sample.mp4"
