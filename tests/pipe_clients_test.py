# chromafold-pipe between the clients people chain it with: every command of
# the README's Pipes section and of docs/pipes.md that needs no device, run as
# written, with chromafold-pipe on the PATH, on an interlaced ProRes 422 HQ
# master that ffmpeg makes here top field first and then bottom field first.
# Whatever ffmpeg's and x264's encoders write must decode to 1920 x 1080
# frames of the depth its name says, every one interlaced in the master's
# order. (The bytes of every pair are the end-to-end suite's.)
#
# usage: pipe_clients_test.py PIPE README PIPES_PAGE
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

pipe, readme, page = (os.path.abspath(p) for p in sys.argv[1:4])
folder = tempfile.mkdtemp(prefix="chromafold-pipe-clients-")
env = dict(os.environ, PATH=os.path.dirname(pipe) + os.pathsep + os.environ["PATH"])


def run(command):
    done = subprocess.run(command, shell=True, cwd=folder, env=env, capture_output=True, text=True, timeout=600)
    assert done.returncode == 0, f"{command}\n{done.stdout}{done.stderr}"
    return done.stdout


def commands(path, section=None):
    # The shell blocks of a page, or of one of its sections.
    with open(path) as f:
        text = f.read()
    text = text.split(section, 1)[1].split("\n#", 1)[0] if section else text
    return [b.replace("\\\n", " ") for b in re.findall(r"```sh\n(.*?)```", text, re.S) if "not run here" not in b]


blocks = commands(readme, "\n### Pipes") + commands(page)
assert len(blocks) >= 3, blocks
encoded = set()
for top, order in ((1, "top"), (0, "bottom")):
    shutil.rmtree(folder)
    os.mkdir(folder)
    run("ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=30000/1001 -frames:v 3 -c:v prores_ks -profile:v 3 "
        f"-flags +ildct+ilme -top {top} -field_order {order[0] * 2} -pix_fmt yuv422p10le master.mov")
    for block in blocks:
        run(block)
    for name in [name for name in os.listdir(folder) if name.endswith((".264", ".mkv"))]:
        frames = json.loads(run(f"ffprobe -v error -show_frames -show_entries frame=width,height,interlaced_frame,"
                                f"top_field_first,pix_fmt -of json {name}"))["frames"]
        got = {(f["width"], f["height"], f["interlaced_frame"], f["top_field_first"], f["pix_fmt"]) for f in frames}
        depth = "yuv420p" if "8bit" in name else "yuv420p10le"
        assert len(frames) == 3 and got == {(1920, 1080, 1, top, depth)}, (name, order, got)
        encoded.add(name)
    assert os.path.getsize(os.path.join(folder, "master.p010")) == 3 * 1920 * 1080 * 3
assert len(encoded) >= 3, encoded
shutil.rmtree(folder)
print(f"{len(blocks)} commands on masters of both field orders: {', '.join(sorted(encoded))}")
