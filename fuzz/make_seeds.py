#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into fuzz/corpus/TARGET/: small valid files of every kind each
reader takes, made with ImageMagick, sox, lzop (through the archive fixture script), the .ddd fixture
script and by hand from the file formats. Run from the repository root; the output is committed."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def run(*args):
    subprocess.run(args, check=True, capture_output=True)


def message(kind, target, source, payload=b""):
    """One framed network message: the packet length, then the 17-byte header and the payload."""
    body = b"TVKN" + struct.pack("<BIII", kind, len(payload), target, source) + payload
    return struct.pack("<I", len(body)) + body


def main():
    tmp = tempfile.mkdtemp()
    try:
        src = os.path.join(tmp, "src.png")
        run("convert", "-size", "7x5", "gradient:red-blue", "-fill", "#80ff00", "-draw", "point 2,2", src)
        for name, options in [("rgb24.bmp", ["-type", "TrueColor", "BMP3:"]),
                              ("pal8.bmp", ["-colors", "12", "-type", "Palette", "-compress", "None", "BMP3:"]),
                              ("mono.bmp", ["-monochrome", "BMP2:"]),
                              ("rgb.png", ["PNG24:"]), ("pal.png", ["-colors", "5", "PNG8:"]),
                              ("rgba_interlaced.png", ["-alpha", "on", "-interlace", "PNG", "PNG32:"]),
                              ("rgb16.png", ["PNG48:"]), ("grey2.png", ["-colorspace", "gray", "-depth", "2", "PNG:"])]:
            out = os.path.join(tmp, name)
            run("convert", src, *options[:-1], options[-1] + out)
            put("bmp" if name.endswith(".bmp") else "png", name, open(out, "rb").read())

        # A top-down 32-bit bitmap of 2 x 2 pixels, written from the format by hand.
        pixels = bytes([0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 0, 128, 0])
        put("bmp", "topdown32.bmp", b"BM" + struct.pack("<IHHI", 54 + 16, 0, 0, 54)
            + struct.pack("<IiiHHIIiiII", 40, 2, -2, 1, 32, 0, 16, 2835, 2835, 0, 0) + pixels)

        for name, options in [("mono8.wav", ["-r", "8000", "-c", "1", "-b", "8"]),
                              ("stereo16.wav", ["-r", "22050", "-c", "2", "-b", "16"])]:
            out = os.path.join(tmp, name)
            run("sox", "-n", *options, out, "synth", "0.002", "sine", "440")
            put("wav", name, open(out, "rb").read())
        fact = (b"RIFF" + struct.pack("<I", 58) + b"WAVEfmt " + struct.pack("<IHHIIHH", 18, 1, 1, 8000, 8000, 1, 8)
                + b"\0\0fact" + struct.pack("<II", 4, 4) + b"data" + struct.pack("<I", 4) + b"\x80\x90\xa0\xb0")
        put("wav", "fact.wav", fact)

        ddd = os.path.join(tmp, "ddd")
        run(sys.executable, os.path.join(ROOT, "tests", "gfx3d", "make_ddd_fixtures.py"), ddd)
        for name in ["frames.ddd", "quad_v10.ddd", "quad_v10.txt", "fan5_v11.txt"]:
            put("ddd", name, open(os.path.join(ddd, name), "rb").read())
        for name in ["scene.ini", "scene_empty.ini"]:
            put("scene", name, open(os.path.join(ddd, name), "rb").read())

        put("ini", "game.ini", b"; settings\r\nname=top\r\n[Player]\r\nName=Ann\r\nscore=12\r\n[player]\r\nx=\r\n"
                               b"[Video]\nwidth = 640\nheight=480\n")
        put("ini", "slots.txt", b"first slot\r\n12.5\r\n\r\nlast\r\n")

        for name, text in [("a.txt", b"archive entry " * 8), ("b.bin", bytes(range(64)) * 4)]:
            with open(os.path.join(tmp, name), "wb") as f:
                f.write(text)
        archive = os.path.join(tmp, "game.sbx")
        run(sys.executable, os.path.join(ROOT, "tests", "storage", "lzo_fixtures.py"), "pack", archive,
            os.path.join(tmp, "a.txt"), os.path.join(tmp, "b.bin"))
        put("archive", "game.sbx", open(archive, "rb").read())

        create = struct.pack("<ii", 5, 0) + b"\0\0" + b"Ann".ljust(142, b"\0")
        put("net_host", "session", b"\x07" + message(1, 0, 0, create) + message(1, 0, 0, create.replace(b"Ann", b"Bob"))
            + message(3, 0xFFFFFFFF, 100, b"hello") + message(101, 0, 100) + message(102, 0, 100, b"\1\0\0\0")
            + message(103, 0, 100, struct.pack("<I", 101)) + message(104, 0, 100, b"\1\0\0\0")
            + message(4, 0, 101))
        put("net_client", "session", b"\x01" + message(2, 100, 0) + message(2, 101, 0) + message(3, 7, 100, b"hi")
            + message(102, 7, 0, b"\x64\0\0\0") + message(101, 7, 0, b"\2\0\0\0"))

        put("http", "reply", b"\x0dHTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nhello")
        put("http", "no_length", b"\x40HTTP/1.0 200 OK\n\nbody without a length")

        put("keys", "script", b"# walk right, then jump\n10 down 205\n70 up 205\n75 down 57\n76 up 57\n")
        put("keys", "frames", b"2,10,40-45")
    finally:
        shutil.rmtree(tmp)


main()
