#!/usr/bin/env python3
"""Archive fixtures made independently of the engine: LZO1X data comes from and goes to `lzop`.

  lzo_fixtures.py pack ARCHIVE FILE...   compress each FILE with `lzop -9`, take the raw LZO1X block out
                                         of lzop's container and write an archive (offsets from the start)
  lzo_fixtures.py unpack ARCHIVE DIR     read the archive's directory (either offset form), wrap each
                                         entry's LZO1X data in an lzop container and let `lzop -d` unpack
                                         it into DIR under the entry's name
"""
import os
import struct
import subprocess
import sys
import zlib

LZOP_MAGIC = b"\x89LZO\x00\r\n\x1a\n"
F_ADLER32_D, F_ADLER32_C, F_H_EXTRA_FIELD, F_H_FILTER, F_CRC32_D, F_CRC32_C = 1, 2, 0x40, 0x800, 0x100, 0x200


def raw_lzo_block(path):
    """The single LZO1X-compressed block that lzop makes of a file, and the file's size."""
    data = subprocess.run(["lzop", "-9", "-c", path], check=True, capture_output=True).stdout
    assert data[:9] == LZOP_MAGIC
    (version,) = struct.unpack_from(">H", data, 9)
    new = version >= 0x0940
    pos = 13 + (2 if new else 0) + 1 + (1 if new else 0)  # versions, method, level
    (flags,) = struct.unpack_from(">I", data, pos)
    pos += 4 + (4 if flags & F_H_FILTER else 0) + (8 if new else 4) + 4  # filter, mode, mtime
    pos += 1 + data[pos] + 4  # name, header checksum
    if flags & F_H_EXTRA_FIELD:
        pos += 4 + struct.unpack_from(">I", data, pos)[0] + 4
    dst_len, src_len = struct.unpack_from(">II", data, pos)
    pos += 8 + 4 * (bool(flags & F_ADLER32_D) + bool(flags & F_CRC32_D))
    if src_len >= dst_len:
        sys.exit("%s: lzop stored it uncompressed; use compressible data" % path)
    pos += 4 * (bool(flags & F_ADLER32_C) + bool(flags & F_CRC32_C))
    if struct.unpack_from(">I", data, pos + src_len)[0] != 0:
        sys.exit("%s: more than one lzop block; use a smaller file" % path)
    return dst_len, data[pos:pos + src_len]


def pack(archive, files):
    out, directory = bytearray(), bytearray()
    for path in files:
        size, block = raw_lzo_block(path)
        name = os.path.basename(path).encode()
        directory += bytes([len(name)]) + name + struct.pack("<iI", len(out), 4 + len(block))
        out += struct.pack("<I", size) + block
    with open(archive, "wb") as f:
        f.write(out + directory + b"\x00sbX" + struct.pack("<i", len(out)))


def lzop_container(size, lzo):
    header = struct.pack(">HHHBBI", 0x1040, 0x2080, 0x0940, 1, 5, 0)  # method LZO1X-1, no checksums
    header += struct.pack(">III", 0o100644, 0, 0) + b"\x00"
    return (LZOP_MAGIC + header + struct.pack(">I", zlib.adler32(header))
            + struct.pack(">II", size, len(lzo)) + lzo + struct.pack(">I", 0))


def unpack(archive, outdir):
    with open(archive, "rb") as f:
        data = f.read()
    assert data[-7:-4] == b"sbX", "no trailer"
    (dir_offset,) = struct.unpack("<i", data[-4:])
    base = len(data) if dir_offset < 0 else 0
    pos = base + dir_offset
    while data[pos] != 0:
        n = data[pos]
        name = data[pos + 1:pos + 1 + n].decode()
        offset, stored = struct.unpack_from("<iI", data, pos + 1 + n)
        pos += 1 + n + 8
        start = base + offset
        (size,) = struct.unpack_from("<I", data, start)
        container = lzop_container(size, data[start + 4:start + stored])
        result = subprocess.run(["lzop", "-d", "-c"], input=container, check=True, capture_output=True).stdout
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(result)


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "pack":
        pack(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 4 and sys.argv[1] == "unpack":
        unpack(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
