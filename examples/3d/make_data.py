"""Makes the 3D example's data: three objects as text .ddd files (a crate, a floor and an eight-sided
gem), the shader pair that colours the gem (gem.vert, gem.frag) and the sky picture (sky.bmp).

    make_data.py FOLDER
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from datafiles import write_bmp  # noqa: E402

CRATE_COLOUR, FLOOR_COLOUR, FOG_COLOUR = (200, 120, 60), (120, 120, 120), (64, 96, 128)


def sub(a, b):
    return tuple(x - y for x, y in zip(a, b))


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


def box(half):
    """The six faces of a box around the origin: (colour, corners, outward normal)."""
    faces = []
    for axis in range(3):
        for sign in (-1, 1):
            normal = tuple(sign if i == axis else 0 for i in range(3))
            u, v = [i for i in range(3) if i != axis]
            corners = []
            for a, b in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                p = [0, 0, 0]
                p[axis], p[u], p[v] = sign * half[axis], a * half[u], b * half[v]
                corners.append(tuple(p))
            faces.append((CRATE_COLOUR, corners, normal))
    return faces


def octahedron(radius):
    """The eight faces of a gem with corners on the axes."""
    faces = []
    for sx in (-1, 1):
        for sy in (-1, 1):
            for sz in (-1, 1):
                corners = [(sx * radius, 0, 0), (0, sy * radius, 0), (0, 0, sz * radius)]
                faces.append(((0, 200, 255), corners, (sx, sy, sz)))
    return faces


def write_ddd(path, faces):
    """A text .ddd (version 1.1: with normals). Each face gets its own corners with the face normal, in
    the order that makes the engine's face normal ((c - b) x (b - a)) point outward."""
    lines, vertices = ["DDDA 1.1", "1 0 0   # one texture coordinate pair", f"{len(faces)}   # faces"], []
    for colour, corners, normal in faces:
        if dot(cross(sub(corners[2], corners[1]), sub(corners[1], corners[0])), normal) < 0:
            corners = corners[::-1]
        first = len(vertices)
        vertices += [(corner, normal) for corner in corners]
        lines.append(" ".join(map(str, colour)) + f" {len(corners)} " +
                     " ".join(f"{first + i} 0" for i in range(len(corners))))
    lines += ["1   # frames", f"{len(vertices)}   # vertices: x y z nx ny nz"]
    lines += [" ".join(f"{c:g}" for c in corner + normal) for corner, normal in vertices]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


FLOOR = [(FLOOR_COLOUR, [(-30, 0, -45), (30, 0, -45), (30, 0, 10), (-30, 0, 10)], (0, 1, 0))]
VERTEX_SHADER = "void main() { gl_Position = ftransform(); }\n"
FRAGMENT_SHADER = """uniform float glow;  // 0: resting, 1: picked
void main() { gl_FragColor = vec4(glow, 0.8, 1.0 - glow, 1.0); }
"""

if __name__ == "__main__":
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_ddd(os.path.join(folder, "crate.ddd"), box((1, 1, 1)))
    write_ddd(os.path.join(folder, "floor.ddd"), FLOOR)
    write_ddd(os.path.join(folder, "gem.ddd"), octahedron(1))
    open(os.path.join(folder, "gem.vert"), "w").write(VERTEX_SHADER)
    open(os.path.join(folder, "gem.frag"), "w").write(FRAGMENT_SHADER)
    write_bmp(os.path.join(folder, "sky.bmp"), 640, 480, lambda x, y: FOG_COLOUR)
