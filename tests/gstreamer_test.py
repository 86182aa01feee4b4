# The GStreamer element in the pipelines people run: every pair of formats in
# every mode, both ways, through gst-launch-1.0 (file, rawvideoparse,
# chromafold, file) against the per-sample model, at a size of no whole number
# of row groups nor of v210 groups; the field order behind every upstream
# (rawvideoparse with and without an order in its caps, and GStreamer's
# decoders of masters ffmpeg makes here), both orders and both directions, as
# every caps event and buffer leaving the element says it and as x264enc codes
# it; and every pipeline of
# the README and of docs/gstreamer.md that needs no device, a decoded ProRes
# master and a decoded H.264 broadcast among them, against the model too.
#
# usage: gstreamer_test.py PLUGIN_DIR MODEL README
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

plugin_dir, model, readme = (os.path.abspath(p) for p in sys.argv[1:4])
folder = tempfile.mkdtemp(prefix="chromafold-gst-")
env = dict(os.environ, GST_PLUGIN_PATH=plugin_dir, GST_REGISTRY=os.path.join(folder, "registry.bin"))
# Of each format, GStreamer's name as rawvideoparse and as caps give it, the
# model's code, and the bytes of a 104 x 70 frame of 4:2:2 or a 104 x 72 one
# of 4:2:0 (whose fields hold whole pairs of chroma rows); the modes.
FULL = {("uyvy", "UYVY"): (16, 104 * 70 * 2), ("yuy2", "YUY2"): (17, 104 * 70 * 2), ("v210", "v210"): (18, 384 * 70),
        ("y42b", "Y42B"): (19, 104 * 70 * 2), ("nv16", "NV16"): (20, 104 * 70 * 2),
        ("i422-10le", "I422_10LE"): (21, 104 * 70 * 4)}
HALF = {("i420", "I420"): (32, 104 * 72 * 3 // 2), ("nv12", "NV12"): (33, 104 * 72 * 3 // 2),
        ("i420-10le", "I420_10LE"): (34, 104 * 72 * 3), ("p010-10le", "P010_10LE"): (35, 104 * 72 * 3)}
MODES = {"clip": 0, "padding": 1, "keep": 2}


def run(command):
    done = subprocess.run(command, shell=True, cwd=folder, env=env, capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, f"{command}\n{done.stdout}{done.stderr}"
    return done.stdout + done.stderr


def parse(source, width=104, height=70, tff="true", interlaced="true"):
    return (f"filesrc location=take.{source} ! rawvideoparse format={source} width={width} height={height} "
            f"interlaced={interlaced} top-field-first={tff} framerate=30000/1001")


def field_order(name):
    return run(f"ffprobe -v error -show_entries stream=field_order -of csv=p=0 {name}").strip()


def write(name, size):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(random.Random(name).randbytes(size))


def assert_model(output, model_args):
    run(f"{model} {model_args}")
    with open(os.path.join(folder, output), "rb") as got, open(os.path.join(folder, "model"), "rb") as want:
        assert got.read() == want.read(), f"{output} differs from the model ({model_args})"


# 104 pixels end in part of a v210 group, and the planes GStreamer lays out
# have no gaps; 70 rows leave two after the last row group.
for sources, outputs, height in ((FULL, HALF, 70), (HALF, FULL, 72)):
    for (source, _), (code, frame) in sources.items():
        write("take." + source, 3 * frame)
        for (_, output), (output_code, _) in outputs.items():
            for mode, mode_code in MODES.items():
                run(f"gst-launch-1.0 -q {parse(source, height=height)} ! chromafold mode={mode} ! "
                    f"video/x-raw,format={output} ! filesink location=out")
                assert_model("out", f"104 {height} {mode_code} take.{source} model {code} {output_code}")


def what_leaves(pipeline):
    # The caps and buffers leaving chromafold, as identity and gst-launch -v
    # print them: "[bottom-field-first]bbb", a buffer flagged interlaced
    # (0x100000) and top field first (0x200000) as t, interlaced alone as b.
    said = ""
    printed = run(f"gst-launch-1.0 -v {pipeline.replace('chromafold !', 'chromafold ! identity silent=false !')}")
    for caps, flags in re.findall(r"chromafold0.GstPad:src: caps = (.*)|identity0: last-message = chain.*flags: (\w+)",
                                  printed):
        order = re.search(r"field-order=\(string\)([a-z-]+)", caps)
        said += (f"[{order[1] if order else 'mixed'}]" if caps else "pbpt"[int(flags, 16) >> 20 & 3])
    return said


# The field order behind every upstream, both orders: each caps event that
# leaves the element says the order of the buffers after it (a mixed stream's
# say theirs), and x264enc codes it. The masters are interlaced, as ffmpeg
# encodes them, in containers that say the order and ones that do not; DNxHD
# is top field first by definition. Back into 4:2:2 from a decoded 4:2:0
# broadcast, in Matroska and in TS: both packed layouts of playout, and I422
# into x264enc. (Buffers that alone say the
# order, as an appsrc's do, are the harness test's.)
ENCODE = "x264enc interlaced=true speed-preset=ultrafast ! matroskamux ! filesink location=out.mkv"
PRORES, H264 = "-c:v prores_ks -profile:v 3 -pix_fmt yuv422p10le", "-c:v libx264 -pix_fmt yuv422p10le"
MASTERS = {"prores.mov": ("720x486", PRORES, "tb"), "prores.mkv": ("720x486", PRORES, "tb"),
           "h264.mkv": ("720x486", H264, "tb"), "h264.ts": ("720x486", H264, "tb"),
           "mpeg2.ts": ("720x486", "-c:v mpeg2video -pix_fmt yuv422p", "tb"),
           "dnxhd.mxf": ("1920x1080", "-c:v dnxhd -b:v 120M -pix_fmt yuv422p", "t"),
           "broadcast.mkv": ("720x480", "-c:v libx264 -pix_fmt yuv420p", "tb"),
           "broadcast.ts": ("720x480", "-c:v libx264 -pix_fmt yuv420p", "tb")}
for letter, order, tff in (("t", "top-field-first", "true"), ("b", "bottom-field-first", "false")):
    cases = [(f"{parse('uyvy', tff=tff)} ! chromafold ! {ENCODE}", f"[{order}]"),
             (f'{parse("uyvy", tff=tff)} ! capssetter caps="video/x-raw,field-order={order}" ! chromafold ! {ENCODE}',
              f"[{order}]")]
    for name, (size, codec, orders) in MASTERS.items():
        master, said = f"{letter}_{name}", "[mixed]" if name.startswith("mpeg2") else f"[{order}]"
        if letter in orders:
            run(f"ffmpeg -v error -f lavfi -i testsrc2=size={size}:rate=30000/1001 -frames:v 3 {codec} "
                f"-flags +ildct+ilme -top {int(letter == 't')} {master}")
            cases += [(f"filesrc location={master} ! decodebin ! chromafold ! {downstream}", said)
                      for downstream in (("video/x-raw,format=UYVY ! fakesink", "video/x-raw,format=v210 ! fakesink",
                                          f"video/x-raw,format=Y42B ! {ENCODE}")
                                         if name.startswith("broadcast") else (ENCODE,))]
    for pipeline, said in cases:
        assert what_leaves(pipeline) == said + letter * 3, (pipeline, what_leaves(pipeline))
        assert "fakesink" in pipeline or field_order("out.mkv") == letter * 2, pipeline

# The pipelines of the README and of docs/gstreamer.md, on frames of the sizes
# they give, and a ProRes master of interlaced 10-bit 4:2:2 made by ffmpeg,
# whose decoded frames the model converts too.
with open(readme) as f:
    blocks = f.read().split("\n### The GStreamer element", 1)[1].split("\n#", 1)[0]
with open(os.path.join(os.path.dirname(readme), "docs", "gstreamer.md")) as f:
    blocks += f.read()
write("take.yuy2", 3 * 720 * 486 * 2)
write("take.uyvy", 3 * 720 * 486 * 2)
write("take.v210", 2 * 5120 * 1080)
run("ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 -frames:v 2 -c:v prores_ks -profile:v 3 "
    "-flags +ildct+ilme -top 1 -pix_fmt yuv422p10le master.mov")
run("ffmpeg -v error -i master.mov -f rawvideo -pix_fmt yuv422p10le master.i422")
run("ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 -frames:v 2 -c:v libx264 -flags +ildct+ilme "
    "-top 1 -pix_fmt yuv420p broadcast.mkv")
run("ffmpeg -v error -i broadcast.mkv -f rawvideo -pix_fmt yuv420p broadcast.i420")
pipelines = [b for b in re.findall(r"```sh\n(.*?)```", blocks, re.S) if "not run here" not in b]
for pipeline in pipelines:
    run(pipeline.replace("\\\n", " "))
assert len(pipelines) == 8 and field_order("take.mkv") == "tt" and field_order("take.264") == "tt"
assert field_order("master.mkv") == "tt"
assert_model("take.p010", "1920 1080 1 take.v210 model 18 35")
assert_model("master.p010", "1920 1080 2 master.i422 model 21 35")
assert_model("playout.v210", "1920 1080 2 broadcast.i420 model 32 18")
assert_model("playout.uyvy", "1920 1080 2 broadcast.i420 model 32 16")
shutil.rmtree(folder)
print("every pair in every mode against the model, the field order behind every upstream, and the "
      "README's pipelines")
