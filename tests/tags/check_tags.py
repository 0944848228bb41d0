#!/usr/bin/env python3
"""Reads the tags of the WAV files that tag_tests left, as ffprobe (ffmpeg's
own readers, native) sees them: the INFO list and the id3 chunk each on its
own, in a copy of the file that holds only that one. NAME.wav must show the
fields of NAME's first part's .tags file ("unicode-...", "latin1-...") in both,
"none-..." no tag chunk at all. Writes GoogleTest-style XML for the count.

Usage: check_tags.py TAGGED_DIR TAGS_DIR RESULTS_XML"""
import json
import os
import struct
import subprocess
import sys
import tempfile
from xml.sax.saxutils import quoteattr

FIELDS = ("title", "artist", "album", "genre", "comment", "track", "date")


def read_tags(path):
    with open(path, encoding="utf-8") as f:
        return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)


def chunks(data):
    """(id, body) of each chunk; raises ValueError when the file is not a whole RIFF file."""
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a RIFF WAVE file")
    if struct.unpack("<I", data[4:8])[0] != len(data) - 8:
        raise ValueError("the RIFF size is not where the file ends")
    at, found = 12, []
    while at < len(data):
        if at + 8 > len(data):
            raise ValueError(f"a stray {len(data) - at} bytes at the end")
        size = struct.unpack("<I", data[at + 4:at + 8])[0]
        if at + 8 + size > len(data):
            raise ValueError(f"chunk {data[at:at + 4]!r} runs past the end")
        found.append((data[at:at + 4], data[at + 8:at + 8 + size]))
        at += 8 + size + (size & 1)
    return found


def riff(parts):
    body = b"WAVE"
    for cid, content in parts:
        body += cid + struct.pack("<I", len(content)) + content + (b"\x00" if len(content) & 1 else b"")
    return b"RIFF" + struct.pack("<I", len(body)) + body


def ffprobe_tags(data):
    with tempfile.NamedTemporaryFile(suffix=".wav", delete=False) as f:
        f.write(data)
    try:
        out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "format_tags", "-of", "json", f.name],
                             capture_output=True, text=True, check=True).stdout
    finally:
        os.unlink(f.name)
    return {k.lower(): v for k, v in json.loads(out).get("format", {}).get("tags", {}).items()}


def check(path, tags_dir):
    """(case name, failure text or None) for each check of one file."""
    name = os.path.basename(path)
    try:
        parts = chunks(open(path, "rb").read())
    except ValueError as e:
        return [(name, str(e))]
    sound = [p for p in parts if p[0] in (b"fmt ", b"data")]
    tagged = {cid: p for p in parts for cid in [p[0]] if cid in (b"LIST", b"id3 ")}
    kind = name.split("-", 1)[0]
    if kind == "none":
        return [(name, f"tag chunks {sorted(tagged)} with \"Copy tags\" off" if tagged else None)]
    expected = read_tags(os.path.join(tags_dir, kind + ".tags"))
    results = []
    for cid in (b"LIST", b"id3 "):
        case = f"{name} {cid.decode().strip()}"
        if cid not in tagged:
            results.append((case, "no such chunk"))
            continue
        seen = ffprobe_tags(riff(sound + [tagged[cid]]))
        wrong = [f"{k}: saw {seen.get(k)!r}, expected {expected[k]!r}" for k in FIELDS if seen.get(k) != expected[k]]
        results.append((case, "; ".join(wrong) or None))
    return results


def main():
    tagged_dir, tags_dir, xml = sys.argv[1:4]
    files = sorted(os.listdir(tagged_dir)) if os.path.isdir(tagged_dir) else []
    results = [r for f in files for r in check(os.path.join(tagged_dir, f), tags_dir)]
    for kind in ("unicode", "latin1", "none"):
        if not any(f.startswith(kind + "-") for f in files):
            results.append((f"{kind} outputs", f"tag_tests left no {kind}-*.wav in {tagged_dir}"))
    with open(xml, "w", encoding="utf-8") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n<testsuites name="tags_ffprobe"><testsuite name="Ffprobe">\n')
        for case, failure in results:
            out.write(f"<testcase name={quoteattr(case)}>")
            if failure:
                out.write(f"<failure message={quoteattr(failure)}/>")
            out.write("</testcase>\n")
        out.write("</testsuite></testsuites>\n")
    for case, failure in results:
        print(f"{'FAIL' if failure else 'ok  '} {case}{': ' + failure if failure else ''}")
    sys.exit(1 if any(f for _, f in results) else 0)


if __name__ == "__main__":
    main()
