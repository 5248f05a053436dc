#!/usr/bin/env python3
"""Writes the .ddd and scene fixtures of the 3D tests into the directory given, straight from the file
format's description (little-endian; magic u32, version f64, counts i32, colours u32, u/v f32 pairs,
frames of i32 count, 3 f32 offset, 3 f32 scale and 5-byte records)."""
import os
import struct
import sys

MAGIC = 0x00C6B317


def binary(colours, uvs, frames, version=1.02, counts=None):
    """frames: list of (offset, scale, records); records: (x, y, z, normal, colour index)."""
    frame_count, colour_count, uv_count = counts or (len(frames), len(colours), len(uvs))
    out = struct.pack("<Id3i", MAGIC, version, frame_count, colour_count, uv_count)
    out += b"".join(struct.pack("<I", c) for c in colours)
    out += b"".join(struct.pack("<2f", u, v) for u, v in uvs)
    for offset, scale, records in frames:
        out += struct.pack("<i3f3f", len(records), *offset, *scale)
        out += b"".join(struct.pack("<5B", *r) for r in records)
    return out


RED, GREEN = 0x0000FF, 0x00FF00
FRAMES_COLOURS = [0xFFFFFFFF, RED, GREEN]
FRAMES_UVS = [(0, 0), (0, 0), (1, 0.25), (0.5, 0.75)]
FRAME0 = ((10, 0, -5), (0.5, 2, 1), [(0, 0, 0, 0, 0), (20, 30, 40, 5, 1), (200, 0, 255, 7, 1), (0, 255, 128, 84, 2)])
FRAME1 = ((0, 0, 0), (1, 1, 1), [(0, 0, 0, 0, 0), (1, 2, 3, 1, 1), (4, 5, 6, 2, 1), (7, 8, 9, 3, 2)])

# A quad face in the text form of version 1.0 and the binary object it quantises to: positions span
# 0..255 on x and y (scale 1, offset -0), z is flat (scale 1); no normals (index 0); the colour table
# starts with the fan marker that opens every face.
QUAD_TEXT = (b"DDDA 1.0  # text form, no normals\r\n"
             b"4  0 0  1 0  1 1  0 1\r\n"
             b"1\r\n10 20 300  4  0 0  1 1  2 2  3 3\r\n"
             b"1\r\n4\r\n0 0 0\r\n255 0 0\r\n255 255 0\r\n0 255 0\r\n")
QUAD_COLOUR = 10 + 20 * 256 + (300 % 256) * 65536
QUAD_BINARY = binary([0xFFFFFFFD, QUAD_COLOUR], [(0, 0), (0, 0), (1, 0), (1, 1), (0, 1)],
                     [((-0.0, -0.0, -0.0), (1, 1, 1),
                       [(0, 0, 0, 0, 0), (0, 0, 0, 0, 1), (255, 0, 0, 0, 1), (255, 255, 0, 0, 1), (0, 255, 0, 0, 1)])])

# A five-corner face over two frames with normals (version 1.1).
FAN_TEXT = (b"DDDA 1.1\n0\n1\n255 255 255 5 0 0 1 0 2 0 3 0 4 0\n2\n"
            b"5\n0 0 0 0 0 2\n1 0 0 0 0 2\n1 1 0 0 0 2\n0 1 0 0 0 2\n-1 1 0 0 0 2\n"
            b"5\n0 0 10 0 0 2\n2 0 10 0 0 2\n2 2 10 0 0 2\n0 2 10 0 0 2\n-2 2 10 0 0 2\n")

BAD = {
    "bad_version.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [FRAME0], version=1.0),
    "bad_frame_count.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [FRAME0], counts=(1000, 3, 4)),
    "bad_uv_count.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [FRAME0], counts=(1, 3, 100000)),
    "bad_negative_count.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [FRAME0], counts=(1, -3, 4)),
    "bad_colour_table.ddd": binary(list(range(300)), FRAMES_UVS, [FRAME0]),
    "bad_colour_index.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [(FRAME0[0], FRAME0[1], FRAME0[2][:3] + [(1, 1, 1, 1, 3)])]),
    "bad_normal_index.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [(FRAME0[0], FRAME0[1], FRAME0[2][:3] + [(1, 1, 1, 162, 1)])]),
    "bad_short_uv.ddd": binary(FRAMES_COLOURS, FRAMES_UVS[:2], [FRAME0]),
    "bad_nan_offset.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [((float("nan"), 0, 0), (1, 1, 1), FRAME0[2])]),
    "bad_text_version.txt": QUAD_TEXT.replace(b"DDDA 1.0", b"DDDA 1.2"),
    "bad_text_token.txt": QUAD_TEXT.replace(b"DDDA", b"DDDB"),
    "bad_text_missing.txt": QUAD_TEXT[:-12],
    "bad_text_vertex.txt": QUAD_TEXT.replace(b"3 3\r\n", b"4 3\r\n"),
    "bad_text_uv.txt": QUAD_TEXT.replace(b"3 3\r\n", b"3 4\r\n"),
    "bad_text_nan.txt": QUAD_TEXT.replace(b"255 255 0", b"nan 255 0"),
}

SCENE = (b";DDW scene\r\n[textures]\r\ncount=2\r\n1=tex1.bmp\r\n2=tex2.bmp\r\n"
         b"[objects]\r\ncount=3\r\n1=frames.ddd\r\n1ta=2\r\n1tb=1\r\n2=missing.ddd\r\n3=quad_v10.txt\r\n")
SCENE_EMPTY = b";DDW\r\n[objects]\r\ncount=2\r\n1=missing.ddd\r\n2=bad_version.ddd\r\n"


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        "frames.ddd": binary(FRAMES_COLOURS, FRAMES_UVS, [FRAME0, FRAME1]),
        "quad_v10.txt": QUAD_TEXT,
        "quad_v10.ddd": QUAD_BINARY,
        "fan5_v11.txt": FAN_TEXT,
        "scene.ini": SCENE,
        "scene_empty.ini": SCENE_EMPTY,
    }
    files.update(BAD)
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


main()
