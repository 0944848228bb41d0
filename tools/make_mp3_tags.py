#!/usr/bin/env python3
"""Wraps an MP3 in the tags players meet: an ID3v2.3 tag with a 1 MB picture in
front, an APEv2 tag and an ID3v1 tag behind. Usage: make_mp3_tags.py IN OUT"""
import random
import struct
import sys


def synchsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3v2(picture):
    title = b"\x00Tagged test tone"
    frames = b"TIT2" + struct.pack(">I", len(title)) + b"\x00\x00" + title
    apic = b"\x00image/jpeg\x00\x03\x00" + picture
    frames += b"APIC" + struct.pack(">I", len(apic)) + b"\x00\x00" + apic
    return b"ID3\x03\x00\x00" + synchsafe(len(frames)) + frames


def ape(items):
    body = b""
    for key, value in items:
        body += struct.pack("<II", len(value), 0) + key + b"\x00" + value
    def header(flags):
        return b"APETAGEX" + struct.pack("<IIII", 2000, len(body) + 32, len(items), flags) + b"\x00" * 8
    return header(0xA0000000) + body + header(0x80000000)


def id3v1():
    return b"TAG" + b"Tagged test tone".ljust(30, b"\x00") + b"\x00" * 30 * 3 + b"\x00" * 4 + b"\xff"


def main():
    random.seed(7)
    # Random bytes full of would-be frame headers, as compressed pictures are.
    picture = bytes(random.getrandbits(8) for _ in range(1 << 20))
    audio = open(sys.argv[1], "rb").read()
    with open(sys.argv[2], "wb") as out:
        out.write(id3v2(picture) + audio + ape([(b"Title", b"Tagged test tone"), (b"Artist", b"Wavory")]) + id3v1())


main()
