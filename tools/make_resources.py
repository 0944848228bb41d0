#!/usr/bin/env python3
"""Draws Wavory's binary resources from code: the program icon, the hand
cursor, the About bitmap, the progress animation (RLE8 AVI) and the finish
chime. Usage: make_resources.py OUTPUT_FOLDER"""
import math
import os
import struct
import sys

BLUE = (32, 96, 200)
WHITE = (255, 255, 255)
BACK = (240, 240, 240)


def logo_pixel(x, y, size):
    """The Wavory mark: a white sound wave across a blue rounded square (RGBA)."""
    r = size * 0.18
    cx = min(max(x + 0.5, r), size - r)
    cy = min(max(y + 0.5, r), size - r)
    if math.hypot(x + 0.5 - cx, y + 0.5 - cy) > r:
        return (0, 0, 0, 0)
    u = (x + 0.5) / size
    wave = 0.5 + 0.28 * math.sin(u * 2 * math.pi * 1.5) * math.sin(u * math.pi)
    if abs((y + 0.5) / size - wave) < 0.075:
        return WHITE + (255,)
    return BLUE + (255,)


def dib32(size, pixel, hotspot_mask=False):
    """A 32-bit bottom-up DIB with an AND mask, as icon and cursor files hold it."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b""
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            rows += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = b""
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(size):
            if pixel(x, y, size)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + rows + mask


def icon_file(kind, images, hotspot=(0, 0)):
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, data in images:
        planes, bits = (1, 32) if kind == 1 else hotspot
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, planes, bits, len(data), offset)
        offset += len(data)
        body += data
    return out + body


def hand_pixel(x, y, size):
    """A pointing hand: index finger up, fist below, black outline on white."""
    s = size / 32.0
    X, Y = x / s, y / s

    def inside(px, py):
        finger = 11 <= px <= 16 and 2 <= py <= 18
        fist = 8 <= px <= 24 and 14 <= py <= 28
        tips = any(k <= px <= k + 4 and 11 <= py <= 18 for k in (16, 20))
        return finger or fist or tips

    if inside(X, Y):
        edge = not (inside(X - 1, Y) and inside(X + 1, Y) and inside(X, Y - 1) and inside(X, Y + 1))
        return (0, 0, 0, 255) if edge else (255, 255, 255, 255)
    return (0, 0, 0, 0)


def bmp24(width, height, pixel):
    row = (width * 3 + 3) // 4 * 4
    data = b""
    for y in range(height - 1, -1, -1):
        line = b""
        for x in range(width):
            r, g, b, a = pixel(x, y, width)
            if a == 0:
                r, g, b = BACK
            line += bytes((b, g, r))
        data += line + b"\0" * (row - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(data), 0, 0, 14 + 40) + header + data


def rle8_rows(frame, width, height):
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = frame[y * width:(y + 1) * width]
        x = 0
        while x < width:
            run = 1
            while x + run < width and run < 255 and row[x + run] == row[x]:
                run += 1
            out += bytes((run, row[x]))
            x += run
        out += b"\0\0"
    out[-2:] = b"\0\1"  # the last end of line becomes the end of the bitmap
    return bytes(out)


def animation(width=272, height=61, frames=20, fps=10):
    """Notes travel from a disc on the left into a wave file on the right."""
    palette = [BACK, (90, 90, 90), BLUE, (120, 170, 240), WHITE] + [(0, 0, 0)] * 251
    encoded = []
    for f in range(frames):
        px = bytearray(width * height)
        for y in range(height):
            for x in range(width):
                c = 0
                if math.hypot(x - 30, y - 30) < 24:  # the source disc
                    c = 1 if math.hypot(x - 30, y - 30) > 5 else 0
                if 230 <= x <= 262 and 8 <= y <= 54:  # the WAV file
                    c = 4 if 232 <= x <= 260 and 10 <= y <= 52 else 1
                    u = (x - 232) / 28.0
                    if 232 <= x <= 260 and abs(y - (31 + 12 * math.sin(u * 2 * math.pi))) < 2:
                        c = 2
                px[y * width + x] = c
        # the travelling wave between them, shifted a little each frame
        for x in range(62, 222):
            phase = (x - 62) / 160.0 * 4 * math.pi - f * 2 * math.pi / frames
            amp = 14 * math.sin((x - 62) / 160.0 * math.pi)
            yc = 30 + amp * math.sin(phase)
            for y in range(int(yc) - 1, int(yc) + 2):
                if 0 <= y < height:
                    px[y * width + x] = 2 if (x + f * 8) % 40 < 30 else 3
        encoded.append(rle8_rows(px, width, height))

    def chunk(tag, data):
        return tag + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")

    def lst(tag, data):
        return b"LIST" + struct.pack("<I", len(data) + 4) + tag + data

    biggest = max(len(e) for e in encoded)
    avih = struct.pack("<IIIIIIIIII4I", 1000000 // fps, biggest * fps, 0, 0x10, frames, 0, 1, biggest, width,
                       height, 0, 0, 0, 0)
    strh = b"vids" + b"mrle" + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, fps, 0, frames, biggest,
                                           0xFFFFFFFF, 0, 0, 0, width, height)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, biggest, 0, 0, 256, 0)
    strf += b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_body = b""
    index = b""
    for e in encoded:
        index += b"00dc" + struct.pack("<III", 0x10, 4 + len(movi_body), len(e))
        movi_body += chunk(b"00dc", e)
    body = b"AVI " + hdrl + lst(b"movi", movi_body) + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def chime(rate=44100, seconds=0.9):
    """Two bell-like partials a fifth apart, the second entering a little later."""
    samples = []
    for i in range(int(rate * seconds)):
        t = i / rate
        v = 0.45 * math.sin(2 * math.pi * 880 * t) * math.exp(-4.5 * t)
        if t > 0.12:
            v += 0.4 * math.sin(2 * math.pi * 1318.5 * (t - 0.12)) * math.exp(-4.0 * (t - 0.12))
        v *= min(1.0, t * 400)  # no click at the start
        samples.append(int(max(-1, min(1, v)) * 32000))
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def menu_bitmap():
    """The 12 x 12, 256-colour glyph beside the context-menu items: a small wave."""
    size = 12
    palette = [(255, 255, 255), BLUE] + [(0, 0, 0)] * 254
    rows = b""
    for y in range(size - 1, -1, -1):
        line = bytes(1 if abs(y - (5.5 - 4 * math.sin((x + 0.5) / size * 2 * math.pi))) < 1.0 else 0
                     for x in range(size))
        rows += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 0, len(rows), 0, 0, 256, 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(pal)
    return b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + header + pal + rows


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        "Wavory.ico": icon_file(1, [(32, dib32(32, logo_pixel)), (16, dib32(16, logo_pixel))]),
        "hand.cur": icon_file(2, [(32, dib32(32, hand_pixel))], hotspot=(13, 2)),
        "about.bmp": bmp24(48, 48, logo_pixel),
        "convert.avi": animation(),
        "finish.wav": chime(),
        "menu.bmp": menu_bitmap(),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
