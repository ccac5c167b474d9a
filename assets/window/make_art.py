#!/usr/bin/env python3
"""Writes the updater window's artwork (small PNGs) and sounds (short WAV beeps) next to this file.

Run it again after changing a shape or a tone; the outputs are committed so the build needs no
image or audio tools."""

import math
import os
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(name, width, height, pixel):
    rows = b""
    for y in range(height):
        rows += b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(data)


def rounded(width, height, radius, fill, edge):
    """A rounded rectangle with a one-pixel edge; outside the corners is transparent."""

    def pixel(x, y):
        cx = min(max(x + 0.5, radius), width - radius)
        cy = min(max(y + 0.5, radius), height - radius)
        d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
        if d > radius:
            return (0, 0, 0, 0)
        if d > radius - 1.0 or x in (0, width - 1) or y in (0, height - 1):
            return edge
        return fill

    return pixel


def write_beep(name, frequency):
    rate = 22050
    frames = int(rate * 0.2)
    with wave.open(os.path.join(HERE, name), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        samples = []
        for i in range(frames):
            fade = min(1.0, i / 200.0, (frames - i) / 200.0)
            samples.append(int(12000 * fade * math.sin(2 * math.pi * frequency * i / rate)))
        out.writeframes(struct.pack("<%dh" % frames, *samples))


if __name__ == "__main__":
    write_png("frame.png", 30, 30, rounded(30, 30, 10, (64, 64, 96, 255), (128, 128, 170, 255)))
    write_png("panel.png", 30, 30, rounded(30, 30, 10, (232, 232, 240, 255), (160, 160, 190, 255)))
    write_png("track.png", 16, 30, rounded(16, 30, 8, (48, 48, 72, 255), (90, 90, 120, 255)))
    write_png("thumb.png", 16, 30, rounded(16, 30, 8, (128, 128, 160, 255), (200, 200, 230, 255)))
    write_beep("success.wav", 880.0)
    write_beep("failure.wav", 220.0)
