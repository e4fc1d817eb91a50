#!/usr/bin/env python3
"""Writes the shipped sounds (Common/sounds/*.wav), the splash picture
(Common/bitmap/q.e.v2.gif) and the program's icon (Common/bitmap/quillaro.png). Run again only to change them; the outputs are committed."""
import math
import os
import struct
import wave

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "Common")
RATE = 22050


def write_wav(name, tones):
    """tones: list of (frequency Hz, seconds); each note fades out to avoid clicks."""
    frames = bytearray()
    for freq, seconds in tones:
        count = int(RATE * seconds)
        for i in range(count):
            fade = 1.0 - i / count
            value = 0.35 * fade * math.sin(2 * math.pi * freq * i / RATE)
            frames += struct.pack("<h", int(value * 32767))
    path = os.path.join(ROOT, "sounds", name)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))


def lzw(pixels, min_size):
    """GIF's variable-width LZW, restarting the table when it is full."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    bits = bytearray()
    acc = [0, 0]  # bit buffer, bit count

    def emit(code, size):
        acc[0] |= code << acc[1]
        acc[1] += size
        while acc[1] >= 8:
            bits.append(acc[0] & 0xFF)
            acc[0] >>= 8
            acc[1] -= 8

    def fresh():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_size + 1

    table, next_code, size = fresh()
    emit(clear, size)
    word = b""
    for p in pixels:
        grown = word + bytes([p])
        if grown in table:
            word = grown
            continue
        emit(table[word], size)
        if next_code < 4096:
            table[grown] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = fresh()
        word = bytes([p])
    emit(table[word], size)
    emit(end, size)
    if acc[1]:
        bits.append(acc[0] & 0xFF)
    return bytes(bits)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out + b"\x00")


PALETTE = [(255, 255, 255), (210, 220, 235), (40, 90, 170), (240, 150, 30),
           (120, 150, 200), (20, 40, 90), (250, 200, 120), (0, 0, 0)]
SIZE, FRAMES = 96, 8


def frame_pixels(n):
    """A ring of eight dots; the lit dot walks round, one step per frame."""
    pixels = bytearray(SIZE * SIZE)
    centre, radius = SIZE / 2, SIZE * 0.34
    for d in range(8):
        angle = 2 * math.pi * d / 8 - math.pi / 2
        cx, cy = centre + radius * math.cos(angle), centre + radius * math.sin(angle)
        lit = d == n
        near = (d - n) % 8 == 7
        colour = 3 if lit else 6 if near else 4
        dot = 9 if lit else 7
        for y in range(int(cy - dot), int(cy + dot) + 1):
            for x in range(int(cx - dot), int(cx + dot) + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= dot * dot:
                    pixels[y * SIZE + x] = colour
    for y in range(SIZE):  # the centre disc
        for x in range(SIZE):
            if (x - centre) ** 2 + (y - centre) ** 2 <= 14 ** 2:
                pixels[y * SIZE + x] = 2
    return bytes(pixels)


def write_gif(name):
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", SIZE, SIZE, 0xF2, 0, 0)  # global table of 8 colours
    for r, g, b in PALETTE:
        out += bytes([r, g, b])
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for n in range(FRAMES):
        out += b"\x21\xF9\x04\x04" + struct.pack("<H", 12) + b"\x00\x00"
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, SIZE, SIZE, 0)
        out += b"\x03" + sub_blocks(lzw(frame_pixels(n), 3))
    out += b"\x3B"
    with open(os.path.join(ROOT, "bitmap", name), "wb") as f:
        f.write(out)


def icon_pixel(x, y, size):
    """A blue rounded square holding a white archive box with a downward arrow."""
    r = size * 0.18
    cx = min(max(x + 0.5, r), size - r)
    cy = min(max(y + 0.5, r), size - r)
    if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    u, v = x / size, y / size
    box = 0.2 <= u <= 0.8 and 0.45 <= v <= 0.82
    lid = 0.16 <= u <= 0.84 and 0.38 <= v <= 0.45
    stem = 0.45 <= u <= 0.55 and 0.12 <= v <= 0.3
    head = 0.3 <= v <= 0.4 and abs(u - 0.5) <= (0.4 - v) * 1.6
    slot = 0.38 <= u <= 0.62 and 0.55 <= v <= 0.6
    if (box or lid or stem or head) and not slot:
        return (255, 255, 255, 255)
    return (40, 96, 176, 255)


def write_png(name, size):
    import zlib
    rows = b"".join(
        b"\x00" + b"".join(bytes(icon_pixel(x, y, size)) for x in range(size)) for y in range(size))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(ROOT, "bitmap", name), "wb") as out:
        out.write(png)


if __name__ == "__main__":
    os.makedirs(os.path.join(ROOT, "sounds"), exist_ok=True)
    os.makedirs(os.path.join(ROOT, "bitmap"), exist_ok=True)
    write_wav("close.wav", [(880, 0.12), (660, 0.12), (440, 0.22)])
    write_gif("q.e.v2.gif")
    write_png("quillaro.png", 64)
