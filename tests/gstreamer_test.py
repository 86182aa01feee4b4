# The GStreamer element in the pipelines people run: every pair of formats in
# every mode, both ways, through gst-launch-1.0 (file, rawvideoparse,
# chromafold, file) against the per-sample model, at a size of no whole number
# of row groups nor of v210 groups; a mixed stream (a program that pushes
# flagged buffers); the field order that x264enc codes, as ffprobe reads it
# back, for each way the order can be said; each refusal's message; and every
# pipeline of the README's GStreamer section that needs no device, a decoded
# ProRes master and a decoded H.264 broadcast among them, against the model
# too.
#
# usage: gstreamer_test.py PLUGIN_DIR MODEL README MIXED_TEST
import os
import random
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

plugin_dir, model, readme, mixed_test = (os.path.abspath(p) for p in sys.argv[1:5])
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


def run(command, check=True):
    done = subprocess.run(command, shell=True, cwd=folder, env=env, capture_output=True, text=True)
    assert done.returncode == 0 or not check, f"{command}\n{done.stdout}{done.stderr}"
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

done = subprocess.run([mixed_test], env=env, capture_output=True, text=True)
assert done.returncode == 0, done.stdout + done.stderr

# The order x264enc codes, said by the input's caps (capssetter), by its
# buffers' flags alone (rawvideoparse says none in its caps), or by the
# property, each both ways.
for order, tff, short in (("top-field-first", "true", "tt"), ("bottom-field-first", "false", "bb")):
    other = "false" if tff == "true" else "true"
    for said_by in (f'capssetter caps="video/x-raw,field-order={order}" ! chromafold', "chromafold",
                    f"chromafold field-order={order}"):
        source_tff = tff if said_by == "chromafold" else other
        run(f"gst-launch-1.0 -q {parse('uyvy', tff=source_tff)} ! {said_by} ! x264enc interlaced=true ! "
            "matroskamux ! filesink location=out.mkv")
        assert field_order("out.mkv") == short, said_by


# gst-launch-1.0 1.22 now and then hangs after a pipeline fails to preroll, as
# after any refused caps: what it printed by then is what counts.
def refusal(pipeline):
    try:
        return subprocess.run(shlex.split(f"gst-launch-1.0 {pipeline} ! fakesink"), cwd=folder, env=env,
                              capture_output=True, timeout=20).stderr.decode()
    except subprocess.TimeoutExpired as stopped:
        return (stopped.stderr or b"").decode()


write("take.wide", 2 * 721 * 486 * 2)
for pipeline, message in (
        (f"{parse('uyvy', interlaced='false')} ! chromafold",
         "chromafold converts interlaced video, and its input is progressive."),
        (parse("wide", 721, 486).replace("format=wide", "format=uyvy") + " ! chromafold",
         "chromafold takes frames of an even width, and its input is 721 pixels wide."),
        (f"{parse('uyvy', 14, 20)} ! chromafold mode=clip",
         "In clip mode chromafold rounds its input down to a multiple of 16 pixels and 32 rows, and a 14x20 "
         "input leaves nothing."),
        (f"{parse('uyvy', 720, 3)} ! chromafold",
         "chromafold keeps whole groups of four rows, two of each field, and an input of 3 rows has none."),
        (parse("uyvy").replace("format=uyvy", "format=gray8") + " ! chromafold",
         "chromafold converts 4:2:2 (UYVY, YUY2, v210, Y42B, NV16 or I422_10LE) and 4:2:0 (I420, NV12, I420_10LE or "
         "P010_10LE), and its input is GRAY8."),
        (f"{parse('i420')} ! chromafold",
         "chromafold takes 4:2:0 frames whose fields hold whole pairs of chroma rows, of a multiple of 4 rows, and "
         "its input is 70 rows high."),
        (f"{parse('i420', height=72)} ! chromafold ! video/x-raw,format=NV12",
         "chromafold converts I420 into UYVY, YUY2, v210, Y42B, NV16 or I422_10LE, and downstream takes none of "
         "them.")):
    got = refusal(pipeline)
    assert message in got and "gst/gstchromafold.c" in got and "/gst/gstchromafold.c" not in got, got

# The README's pipelines, on frames of the sizes they give, and a ProRes
# master of interlaced 10-bit 4:2:2 made by ffmpeg, whose decoded frames the
# model converts too.
with open(readme) as f:
    section = f.read().split("\n## GStreamer", 1)[1].split("\n## ", 1)[0]
write("take.yuy2", 3 * 720 * 486 * 2)
write("take.uyvy", 3 * 720 * 486 * 2)
write("take.v210", 2 * 5120 * 1080)
run("ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 -frames:v 2 -c:v prores_ks -profile:v 3 "
    "-flags +ildct+ilme -top 1 -pix_fmt yuv422p10le master.mov")
run("ffmpeg -v error -i master.mov -f rawvideo -pix_fmt yuv422p10le master.i422")
run("ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 -frames:v 2 -c:v libx264 -flags +ildct+ilme "
    "-top 1 -pix_fmt yuv420p broadcast.mkv")
run("ffmpeg -v error -i broadcast.mkv -f rawvideo -pix_fmt yuv420p broadcast.i420")
pipelines = [b for b in re.findall(r"```sh\n(.*?)```", section, re.S) if "not run here" not in b]
for pipeline in pipelines:
    run(pipeline.replace("\\\n", " "))
assert len(pipelines) == 7 and field_order("take.mkv") == "tt" and field_order("take.264") == "tt"
assert field_order("master.mkv") == "tt"
assert_model("take.p010", "1920 1080 1 take.v210 model 18 35")
assert_model("master.p010", "1920 1080 2 master.i422 model 21 35")
assert_model("playout.v210", "1920 1080 2 broadcast.i420 model 32 18")
assert_model("playout.uyvy", "1920 1080 2 broadcast.i420 model 32 16")
shutil.rmtree(folder)
print("every pair in every mode against the model, a mixed stream, the field orders, the refusals and the "
      "README's pipelines")
