#!/usr/bin/env python3
"""Builds the sparse package of an installation (Debian has no packaging tool
for the format): a ZIP (Zip32, the parts stored) of AppxManifest.xml, the
images the manifest names (drawn here), AppxBlockMap.xml (the SHA-256 of each
64 KiB block of every part) and [Content_Types].xml. installer/sign.sh signs
the result when a certificate is given.
Usage: make_msix.py MANIFEST OUTPUT
       make_msix.py --publisher MANIFEST   (prints the publisher the signer must be)"""
import base64
import hashlib
import os
import struct
import sys
import zipfile
import zlib
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_resources import logo_pixel  # noqa: E402  (the program's own mark)

BLOCK_SIZE = 65536
MANIFEST = "AppxManifest.xml"
BLOCK_MAP = "AppxBlockMap.xml"
CONTENT_TYPES = "[Content_Types].xml"
FOUNDATION = "http://schemas.microsoft.com/appx/manifest/foundation/windows10"
UAP = "http://schemas.microsoft.com/appx/manifest/uap/windows10"
BLOCK_MAP_NS = "http://schemas.microsoft.com/appx/2010/blockmap"
SHA256 = "http://www.w3.org/2001/04/xmlenc#sha256"
TYPES_NS = "http://schemas.openxmlformats.org/package/2006/content-types"
# Parts known by name; any other part by its extension.
PART_TYPES = {MANIFEST: "application/vnd.ms-appx.manifest+xml", BLOCK_MAP: "application/vnd.ms-appx.blockmap+xml"}
EXTENSION_TYPES = {"png": "image/png", "dll": "application/x-msdownload", "exe": "application/x-msdownload",
                   "xml": "application/xml"}
# The images a manifest names: (element, attribute or None for its text) and their size in pixels.
IMAGES = {(f"{{{FOUNDATION}}}Logo", None): 50, (f"{{{UAP}}}VisualElements", "Square150x150Logo"): 150,
          (f"{{{UAP}}}VisualElements", "Square44x44Logo"): 44}
# Every part gets the same time stamp, so that a build is repeatable.
STAMP = (1980, 1, 1, 0, 0, 0)


def png(size):
    """The program's mark as a size x size RGBA PNG."""
    rows = b"".join(b"\0" + b"".join(bytes(logo_pixel(x, y, size)) for x in range(size)) for y in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


def manifest_images(manifest):
    """{part name: size} for every image the manifest names (names with /)."""
    images = {}
    for element in ET.fromstring(manifest).iter():
        for (tag, attribute), size in IMAGES.items():
            if element.tag != tag:
                continue
            path = element.text if attribute is None else element.get(attribute)
            if path:
                images[path.strip().replace("\\", "/")] = size
    return images


def zip_info(name):
    info = zipfile.ZipInfo(name, STAMP)
    # osslsigncode rewrites the content types deflated, but keeps the method a
    # stored entry had (the signed package then fails its CRC check): it goes
    # in deflated. It is not in the block map, so its blocks need no sizes.
    info.compress_type = zipfile.ZIP_DEFLATED if name == CONTENT_TYPES else zipfile.ZIP_STORED
    info.create_system = 0  # written as on Windows: no Unix permissions
    return info


def local_header_size(info):
    """The size of the part's local file header as zipfile writes it (no data descriptor)."""
    return 30 + len(info.filename.encode("utf-8")) + len(info.extra)


def block_map(parts):
    """AppxBlockMap.xml for [(name, data)], names with /, in the order of the package."""
    root = ET.Element("BlockMap", {"xmlns": BLOCK_MAP_NS, "HashMethod": SHA256})
    for name, data in parts:
        entry = ET.SubElement(root, "File", {"Name": name.replace("/", "\\"), "Size": str(len(data)),
                                            "LfhSize": str(local_header_size(zip_info(name)))})
        for at in range(0, len(data), BLOCK_SIZE):
            digest = hashlib.sha256(data[at:at + BLOCK_SIZE]).digest()
            # Stored parts: no Size, each block is 64 KiB but the last.
            ET.SubElement(entry, "Block", {"Hash": base64.b64encode(digest).decode("ascii")})
    return b'<?xml version="1.0" encoding="UTF-8" standalone="no"?>\r\n' + ET.tostring(root, encoding="utf-8")


def content_types(names):
    """[Content_Types].xml naming a type for every part but itself."""
    root = ET.Element("Types", {"xmlns": TYPES_NS})
    extensions = sorted({n.rsplit(".", 1)[-1].lower() for n in names if n not in PART_TYPES and "." in n})
    for extension in extensions:
        ET.SubElement(root, "Default", {"Extension": extension,
                                        "ContentType": EXTENSION_TYPES.get(extension, "application/octet-stream")})
    for name in names:
        if name in PART_TYPES:
            ET.SubElement(root, "Override", {"PartName": "/" + name, "ContentType": PART_TYPES[name]})
    return b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n' + ET.tostring(root, encoding="utf-8")


def build_package(manifest, payload, output):
    """Writes the package: payload {name: bytes} (names with /), then the
    manifest, the block map and the content types, in the order Windows' own
    packages have them."""
    parts = sorted(payload.items()) + [(MANIFEST, manifest)]
    parts.append((BLOCK_MAP, block_map(parts)))
    parts.append((CONTENT_TYPES, content_types([name for name, _ in parts])))
    temporary = output + ".tmp"
    with zipfile.ZipFile(temporary, "w") as package:
        for name, data in parts:
            package.writestr(zip_info(name), data)
    os.replace(temporary, output)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    if sys.argv[1] == "--publisher":
        print(ET.parse(sys.argv[2]).getroot().find(f"{{{FOUNDATION}}}Identity").get("Publisher"))
        return
    with open(sys.argv[1], "rb") as f:
        manifest = f.read()
    payload = {name: png(size) for name, size in manifest_images(manifest).items()}
    build_package(manifest, payload, sys.argv[2])


if __name__ == "__main__":
    main()
