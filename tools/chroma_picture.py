"""Draws what chromafold and videoconvert do to the chroma of one interlaced
frame, as a PNG for the README.

usage: chroma_picture.py PLUGIN_DIR OUTPUT.png

The frame is UYVY, 48 x 48: a saturated red box on saturated blue that has
moved down 5 rows between the fields, as interlaced cameras see motion. It
runs through the real GStreamer elements (rawvideoparse ! CONVERTER !
filesink): chromafold into I420, videoconvert into I420 and into NV12. Each
4:2:0 result is shown as a player shows it: its chroma put back at every line
by linear interpolation at the rows where MPEG-2 sites interlaced 4:2:0
chroma, within each field, then BT.601 into RGB. Columns, left to right: the
source, chromafold, videoconvert into I420, videoconvert into NV12, each
named above it; in each, the top field above the bottom field, every line and
pixel 8 times magnified, so that each line of each field shows. Where chroma was sited right, the
colour edge lies on the luma edge; where not, a band of wrong colour runs
along it.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

W = H = 48
SCALE = 8
BLUE, RED = (41, 240, 110), (81, 90, 240)  # Y, Cb, Cr, studio range
WHITE, INK = (255, 255, 255), (40, 40, 40)
# The letters of the labels, 5 x 7, a row of bits each.
GLYPHS = {
    "A": "01110 10001 10001 11111 10001 10001 10001", "B": "11110 10001 10001 11110 10001 10001 11110",
    "C": "01110 10001 10000 10000 10000 10001 01110", "D": "11110 10001 10001 10001 10001 10001 11110",
    "E": "11111 10000 10000 11110 10000 10000 11111", "F": "11111 10000 10000 11110 10000 10000 10000",
    "H": "10001 10001 10001 11111 10001 10001 10001", "I": "01110 00100 00100 00100 00100 00100 01110",
    "L": "10000 10000 10000 10000 10000 10000 11111", "M": "10001 11011 10101 10101 10001 10001 10001",
    "N": "10001 11001 10101 10011 10001 10001 10001", "O": "01110 10001 10001 10001 10001 10001 01110",
    "P": "11110 10001 10001 11110 10000 10000 10000",
    "R": "11110 10001 10001 11110 10100 10010 10001", "S": "01111 10000 10000 01110 00001 00001 11110",
    "T": "11111 00100 00100 00100 00100 00100 00100", "U": "10001 10001 10001 10001 10001 10001 01110",
    "V": "10001 10001 10001 10001 10001 01010 00100", "W": "10001 10001 10001 10101 10101 10101 01010",
    "0": "01110 10001 10011 10101 11001 10001 01110", "1": "00100 01100 00100 00100 00100 00100 01110",
    "2": "01110 10001 00001 00010 00100 01000 11111", "4": "00010 00110 01010 10010 11111 00010 00010",
    ",": "00000 00000 00000 00000 00110 00100 01000", " ": "00000 " * 6 + "00000",
}
LABELS = ("SOURCE", "CHROMAFOLD I420", "VIDEOCONVERT I420", "VIDEOCONVERT NV12")


def lettering(text, width, size=3):
    """Rows of `width` pixels with `text` centred in them, each glyph pixel a
    square of `size`, a blank row of glyph pixels above and below."""
    rows = [[WHITE] * width for _ in range(9 * size)]
    left = (width - (6 * len(text) - 1) * size) // 2
    for k, letter in enumerate(text):
        for y, bits in enumerate(GLYPHS[letter].split()):
            for x, bit in enumerate(bits):
                for dy in range(size):
                    for dx in range(size):
                        if bit == "1":
                            rows[(y + 1) * size + dy][left + (6 * k + x) * size + dx] = INK
    return rows


def inside_box(row, x):
    # The top field sees the box from row 18 down, the bottom field from row 23.
    return 12 <= x < 36 and row >= (18 if row % 2 == 0 else 23)


def source_frame():
    frame = bytearray()
    for row in range(H):
        for x in range(0, W, 2):
            left, right = (RED if inside_box(row, x + k) else BLUE for k in (0, 1))
            # A pair's chroma is that of its left pixel, as a camera's 4:2:2 is sampled.
            frame += bytes((left[1], left[0], left[2], right[0]))
    return bytes(frame)


def convert(plugin_dir, folder, converter, output):
    env = dict(os.environ, GST_PLUGIN_PATH=plugin_dir, GST_REGISTRY=os.path.join(folder, "registry.bin"))
    out = os.path.join(folder, "out")
    subprocess.run(["gst-launch-1.0", "-q", "filesrc", f"location={os.path.join(folder, 'frame.uyvy')}", "!",
                    "rawvideoparse", "format=uyvy", f"width={W}", f"height={H}", "interlaced=true",
                    "top-field-first=true", "!", converter, "!", f"video/x-raw,format={output}", "!", "filesink",
                    f"location={out}"], env=env, check=True)
    data = open(out, "rb").read()
    luma = [list(data[r * W:(r + 1) * W]) for r in range(H)]
    chroma = data[W * H:]
    if output == "NV12":
        cb = [[chroma[k * W + 2 * i] for i in range(W // 2)] for k in range(H // 2)]
        cr = [[chroma[k * W + 2 * i + 1] for i in range(W // 2)] for k in range(H // 2)]
    else:
        cb = [list(chroma[k * W // 2:(k + 1) * W // 2]) for k in range(H // 2)]
        cr = [list(chroma[W * H // 4 + k * W // 2:W * H // 4 + (k + 1) * W // 2]) for k in range(H // 2)]
    return luma, cb, cr


def played_out(rows):
    """Chroma at every frame row from 4:2:0 rows, per field: top-field chroma
    row k a quarter of the way from field line 2k to 2k+1, bottom-field three
    quarters of the way; nearest row of the field at the edges."""
    out = [None] * H
    for field in (0, 1):
        c = rows[field::2]
        at = lambda k: c[min(max(k, 0), len(c) - 1)]
        for line in range(H // 2):
            m, odd = line // 2, line % 2
            near, far, w = (at(m), at(m + 1 if odd else m - 1), (5 if odd else 7) if field == 0 else (7 if odd else 5))
            out[2 * line + field] = [(w * a + (8 - w) * b + 4) // 8 for a, b in zip(near, far)]
    return out


def rgb(y, cb, cr):
    y, cb, cr = 1.164 * (y - 16), cb - 128, cr - 128
    return tuple(max(0, min(255, round(v))) for v in (y + 1.596 * cr, y - 0.392 * cb - 0.813 * cr, y + 2.017 * cb))


def panel(luma, cb, cr):
    """The top field's lines, then the bottom field's, as RGB rows."""
    return [[rgb(luma[r][x], cb[r][x // 2], cr[r][x // 2]) for x in range(W)] for r in [*range(0, H, 2), *range(1, H, 2)]]


def main():
    plugin_dir, output = os.path.abspath(sys.argv[1]), sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        frame = source_frame()
        open(os.path.join(folder, "frame.uyvy"), "wb").write(frame)
        source = ([[frame[r * 2 * W + 2 * x + 1] for x in range(W)] for r in range(H)],
                  [[frame[r * 2 * W + 4 * i] for i in range(W // 2)] for r in range(H)],
                  [[frame[r * 2 * W + 4 * i + 2] for i in range(W // 2)] for r in range(H)])
        panels = [panel(*source)]
        for converter, fmt in (("chromafold", "I420"), ("videoconvert", "I420"), ("videoconvert", "NV12")):
            luma, cb, cr = convert(plugin_dir, folder, converter, fmt)
            panels.append(panel(luma, played_out(cb), played_out(cr)))
    gap = 2
    picture = []
    for r in range(H + 1):
        row = [WHITE] * gap
        for p in panels:
            # A white line between the top field and the bottom field.
            row += ([WHITE] * W if r == H // 2 else p[r if r < H // 2 else r - 1]) + [WHITE] * gap
        picture += [[pixel for pixel in row for _ in range(SCALE)]] * (1 if r == H // 2 else SCALE)
    # Each panel's name above it; what the halves are below them all.
    names = [row[:] for row in lettering("", len(picture[0]))]
    for k, label in enumerate(LABELS):
        start = (gap + k * (W + gap)) * SCALE
        for y, row in enumerate(lettering(label, W * SCALE)):
            names[y][start:start + W * SCALE] = row
    picture = names + picture + lettering("TOP FIELD ABOVE, BOTTOM FIELD BELOW", len(picture[0]))
    width = len(picture[0])
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in picture)
    chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(
        ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(output, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, len(picture), 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
