"""Decodes the 8-bit RGB PNG pictures nadilka-replay writes, so that tests compare pixels, not the
bytes of one compressor."""
import struct
import zlib


class PngError(Exception):
    pass


def _check(condition, message):
    if not condition:
        raise PngError(message)


def read_png(path):
    """Decodes an 8-bit RGB PNG; returns (width, height, rows of (r, g, b))."""
    with open(path, "rb") as f:
        data = f.read()
    _check(data[:8] == b"\x89PNG\r\n\x1a\n", f"{path}: no PNG signature")
    pos, chunks = 8, []
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        crc, = struct.unpack(">I", data[pos + 8 + size:pos + 12 + size])
        _check(zlib.crc32(kind + body) == crc, f"{path}: bad checksum of {kind}")
        chunks.append((kind, body))
        pos += 12 + size
    kinds = [k for k, _ in chunks]
    _check(kinds[0] == b"IHDR" and kinds[-1] == b"IEND" and b"IDAT" in kinds, f"{path}: chunks {kinds}")
    w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    _check((depth, colour, interlace) == (8, 2, 0), f"{path}: format {(depth, colour, interlace)}, expected (8, 2, 0)")
    raw = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    stride = 3 * w
    _check(len(raw) == h * (1 + stride), f"{path}: data size {len(raw)}, expected {h * (1 + stride)}")
    rows, prev = [], bytes(stride)
    for y in range(h):
        kind, line = raw[y * (1 + stride)], bytearray(raw[y * (1 + stride) + 1:(y + 1) * (1 + stride)])
        _check(kind <= 4, f"{path}: row {y} has an unknown filter {kind}")
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = prev[i], prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = bytes(line)
        rows.append([tuple(line[3 * x:3 * x + 3]) for x in range(w)])
    return w, h, rows
