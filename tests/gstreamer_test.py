# The GStreamer element in the pipelines people run: every pair of formats
# through gst-launch-1.0 (file, rawvideoparse, chromafold, file) against the
# per-sample model, in both modes, at a size of no whole number of row groups
# nor of v210 groups; the field order that y4menc and x264enc code, as ffprobe
# reads it back; input flagged progressive refused with its reason; and every
# pipeline of the README's GStreamer section that needs no device.
#
# usage: gstreamer_test.py PLUGIN_DIR MODEL README
import os
import random
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

plugin_dir, model, readme = (os.path.abspath(p) for p in sys.argv[1:4])
folder = tempfile.mkdtemp(prefix="chromafold-gst-")
env = dict(os.environ, GST_PLUGIN_PATH=plugin_dir, GST_REGISTRY=os.path.join(folder, "registry.bin"))
SOURCES, OUTPUTS = ("uyvy", "yuy2", "v210"), ("I420", "NV12", "I420_10LE", "P010_10LE")


def run(command, check=True):
    done = subprocess.run(command, shell=True, cwd=folder, env=env, capture_output=True, text=True)
    assert done.returncode == 0 or not check, f"{command}\n{done.stdout}{done.stderr}"
    return done.stdout + done.stderr


def parse(source, width, height, tff="true", interlaced="true"):
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


# 100 x 70: 70 rows leave two after the last row group, and 100 pixels end in
# part of a v210 group.
for s, source in enumerate(SOURCES):
    write("take." + source, 3 * 70 * (100 * 2 if s < 2 else 384))
    for o, output in enumerate(OUTPUTS if s == 2 else OUTPUTS[:2]):
        for mode in (0, 1):
            run(f"gst-launch-1.0 -q {parse(source, 100, 70)} ! chromafold mode={mode} ! "
                f"video/x-raw,format={output} ! filesink location=out")
            assert_model("out", f"100 70 {mode} take.{source} model {16 + s} {32 + o}")

# The order the output says, as y4menc and x264enc code it: chosen, or the
# input's from its buffers' flags, or from caps set upstream on video flagged
# progressive.
for element, tff, interlaced in (("chromafold field-order=bottom-field-first", "true", "true"),
                                 ("chromafold", "false", "true"),
                                 ('capssetter caps="video/x-raw,interlace-mode=interleaved,field-order='
                                  'bottom-field-first" ! chromafold', "true", "false")):
    run(f"gst-launch-1.0 -q {parse('uyvy', 100, 70, tff, interlaced)} ! {element} ! y4menc ! filesink location=out.y4m")
    assert field_order("out.y4m") == "bb", element
run(f"gst-launch-1.0 -q {parse('uyvy', 100, 70)} ! chromafold field-order=bottom-field-first ! x264enc "
    "interlaced=true ! matroskamux ! filesink location=out.mkv")
assert field_order("out.mkv") == "bb"

# gst-launch-1.0 1.22 now and then hangs after a pipeline fails to preroll, as
# after any refused caps: what it printed by then is what counts.
try:
    refused = subprocess.run(shlex.split(f"gst-launch-1.0 {parse('uyvy', 100, 70, interlaced='false')} ! chromafold "
                                         "! fakesink"), cwd=folder, env=env, capture_output=True, timeout=20).stderr
except subprocess.TimeoutExpired as stopped:
    refused = stopped.stderr or b""
assert b"chromafold converts interlaced video, and its input is progressive" in refused, refused

# The README's pipelines, on frames of the sizes they give.
with open(readme) as f:
    section = f.read().split("\n## GStreamer", 1)[1].split("\n## ", 1)[0]
write("take.yuy2", 3 * 720 * 486 * 2)
write("take.uyvy", 3 * 720 * 486 * 2)
write("take.v210", 2 * 5120 * 1080)
pipelines = [b for b in re.findall(r"```sh\n(.*?)```", section, re.S) if "not run here" not in b]
for pipeline in pipelines:
    run(pipeline.replace("\\\n", " "))
assert len(pipelines) == 3 and field_order("take.mkv") == "tt" and field_order("take.264") == "tt"
assert_model("take.p010", "1920 1080 1 take.v210 model 18 35")
shutil.rmtree(folder)
print("every pair against the model in both modes, the field orders, the refusal and the README's pipelines")
