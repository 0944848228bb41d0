#!/usr/bin/env python3
"""Prints an ffmpeg -metadata argument per line of a .tags file, or with
--id3v1 IN OUT appends an ID3v1 tag of that file's fields (Latin-1) to IN as OUT.
Usage: make_tag_fixtures.py --args TAGS | --id3v1 TAGS IN OUT"""
import sys


def read_tags(path):
    with open(path, encoding="utf-8") as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


# ID3v1 genre numbers of the names our fixtures use.
GENRES = {"Jazz": 8, "Rock": 17}


def id3v1(tags):
    def field(key, size):
        return tags.get(key, "").encode("latin-1")[:size].ljust(size, b"\x00")
    # ID3v1.1: a zero byte, then the track, in the comment's last two bytes.
    return (b"TAG" + field("title", 30) + field("artist", 30) + field("album", 30) + field("date", 4) +
            field("comment", 28) + b"\x00" + bytes([int(tags.get("track", "0"))]) +
            bytes([GENRES.get(tags.get("genre", ""), 255)]))


def main():
    if sys.argv[1] == "--args":
        for key, value in read_tags(sys.argv[2]).items():
            print("-metadata")
            print(f"{key}={value}")
    elif sys.argv[1] == "--id3v1":
        audio = open(sys.argv[3], "rb").read()
        with open(sys.argv[4], "wb") as out:
            out.write(audio + id3v1(read_tags(sys.argv[2])))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
