#!/usr/bin/env python3
"""The sparse package as tools/make_msix.py builds it, checked part by part:
the manifest declares what Windows needs for our menu commands and names the
identity the program's manifest names; every part is in the block map with
its size, local-header size and the SHA-256 of each 64 KiB block; every part
has a content type; and a package signed by installer/sign.sh is still whole.
Writes GoogleTest-style XML for tools/count-results.py.
  PackageTest.py --manifest APPX_MANIFEST --program-manifest EXE_MANIFEST --xml OUT"""
import argparse
import base64
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
import xml.etree.ElementTree as ET
from xml.sax.saxutils import quoteattr

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))
import make_msix  # noqa: E402

NS = {
    "m": "http://schemas.microsoft.com/appx/manifest/foundation/windows10",
    "uap": "http://schemas.microsoft.com/appx/manifest/uap/windows10",
    "uap10": "http://schemas.microsoft.com/appx/manifest/uap/windows10/10",
    "desktop4": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/4",
    "desktop5": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/5",
    "desktop6": "http://schemas.microsoft.com/appx/manifest/desktop/windows10/6",
    "com": "http://schemas.microsoft.com/appx/manifest/com/windows10",
    "rescap": "http://schemas.microsoft.com/appx/manifest/foundation/windows10/restrictedcapabilities",
    "b": "http://schemas.microsoft.com/appx/2010/blockmap",
    "t": "http://schemas.openxmlformats.org/package/2006/content-types",
    "asm": "urn:schemas-microsoft-com:asm.v1",
    "msix": "urn:schemas-microsoft-com:msix.v1",
}
FOOTPRINT = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"}
ARGS = None


def package_problems(path):
    """What is wrong with a package's block map and content types; empty when nothing."""
    problems = []
    raw = open(path, "rb").read()
    with zipfile.ZipFile(path) as package:
        broken = package.testzip()
        if broken:
            return [f"{broken} fails its CRC check"]
        parts = [info for info in package.infolist() if info.filename not in FOOTPRINT]
        files = {f.get("Name"): f for f in ET.fromstring(package.read("AppxBlockMap.xml")).findall("b:File", NS)}
        for info in parts:
            entry = files.pop(info.filename.replace("/", "\\"), None)
            if entry is None:
                problems.append(f"{info.filename}: not in the block map")
                continue
            data = package.read(info)
            name_length, extra_length = struct.unpack("<HH", raw[info.header_offset + 26:info.header_offset + 30])
            if int(entry.get("LfhSize")) != 30 + name_length + extra_length:
                problems.append(f"{info.filename}: LfhSize {entry.get('LfhSize')}, header {30 + name_length + extra_length}")
            if int(entry.get("Size")) != len(data):
                problems.append(f"{info.filename}: Size {entry.get('Size')}, data {len(data)} bytes")
            hashes = [b.get("Hash") for b in entry.findall("b:Block", NS)]
            expected = [base64.b64encode(hashlib.sha256(data[at:at + 65536]).digest()).decode()
                        for at in range(0, len(data), 65536)]
            if hashes != expected:
                problems.append(f"{info.filename}: block hashes {hashes}, recomputed {expected}")
        problems += [f"{name}: in the block map, not in the package" for name in files]
        problems += content_type_problems(package)
    return problems


def content_type_problems(package):
    types = ET.fromstring(package.read("[Content_Types].xml"))
    defaults = {d.get("Extension").lower() for d in types.findall("t:Default", NS)}
    overrides = {o.get("PartName"): o.get("ContentType") for o in types.findall("t:Override", NS)}
    problems = []
    for name in package.namelist():
        if name == "[Content_Types].xml":
            continue
        if "/" + name not in overrides and name.rsplit(".", 1)[-1].lower() not in defaults:
            problems.append(f"{name}: no content type")
    for part, kind in (("/AppxManifest.xml", "application/vnd.ms-appx.manifest+xml"),
                       ("/AppxBlockMap.xml", "application/vnd.ms-appx.blockmap+xml")):
        if overrides.get(part) != kind:
            problems.append(f"{part}: content type {overrides.get(part)}, not {kind}")
    return problems


class Package(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="package-test-")
        with open(ARGS.manifest, "rb") as f:
            self.manifest_bytes = f.read()
        self.manifest = ET.fromstring(self.manifest_bytes)
        self.package = os.path.join(self.work, "Wavory.msix")
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_msix.py"), ARGS.manifest, self.package],
                       check=True)

    def tearDown(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def one(self, path):
        found = self.manifest.findall(path, NS)
        self.assertEqual(1, len(found), f"{path}: {len(found)} elements")
        return found[0]

    def test_TheManifestDeclaresAnIdentityForTheInstallFolder(self):
        identity = self.one("m:Identity")
        self.assertEqual("x64", identity.get("ProcessorArchitecture"), "Explorer is 64-bit where we register")
        self.assertRegex(identity.get("Version"), r"^\d+\.\d+\.\d+\.\d+$")
        self.assertEqual("true", self.one("m:Properties/uap10:AllowExternalContent").text)
        family = self.one("m:Dependencies/m:TargetDeviceFamily")
        self.assertEqual(("Windows.Desktop", "10.0.19041.0"), (family.get("Name"), family.get("MinVersion")))
        capabilities = {c.get("Name") for c in self.manifest.findall("m:Capabilities/rescap:Capability", NS)}
        self.assertEqual({"runFullTrust", "unvirtualizedResources"}, capabilities)
        for setting in ("RegistryWriteVirtualization", "FileSystemWriteVirtualization"):
            self.assertEqual("disabled", self.one(f"m:Properties/desktop6:{setting}").text, setting)
        application = self.one("m:Applications/m:Application")
        self.assertEqual("Wavory.exe", application.get("Executable"))
        self.assertEqual(("mediumIL", "win32App"), (application.get(f"{{{NS['uap10']}}}TrustLevel"),
                                                    application.get(f"{{{NS['uap10']}}}RuntimeBehavior")))
        ignorable = set(self.manifest.get("IgnorableNamespaces").split())
        self.assertEqual({"uap", "uap10", "desktop4", "desktop5", "desktop6", "com", "rescap"}, ignorable)

    def test_BothCommandsForFilesAndFoldersServedByThe64BitExtension(self):
        extension = self.one("m:Applications/m:Application/m:Extensions/desktop4:Extension")
        self.assertEqual("windows.fileExplorerContextMenus", extension.get("Category"))
        verbs = {item.get("Type"): [(v.get("Id"), v.get("Clsid")) for v in item.findall("desktop5:Verb", NS)]
                 for item in extension.findall("desktop4:FileExplorerContextMenus/desktop5:ItemType", NS)}
        self.assertEqual({"*", "Directory"}, set(verbs))
        self.assertEqual(verbs["*"], verbs["Directory"], "files and folders get the same commands")
        self.assertEqual(["ConvertToWav", "ConverterOptions"], [verb for verb, _ in verbs["*"]])
        server = self.one("m:Applications/m:Application/m:Extensions/com:Extension")
        self.assertEqual("windows.comServer", server.get("Category"))
        classes = server.findall("com:ComServer/com:SurrogateServer/com:Class", NS)
        self.assertEqual({clsid for _, clsid in verbs["*"]}, {c.get("Id") for c in classes})
        self.assertEqual({("Sonelle64.dll", "STA")}, {(c.get("Path"), c.get("ThreadingModel")) for c in classes})

    def test_TheProgramsManifestNamesThePackagesIdentity(self):
        program = ET.parse(ARGS.program_manifest).getroot()
        msix = program.findall("msix:msix", NS)
        self.assertEqual(1, len(msix), "the program's manifest has no msix element")
        identity = self.one("m:Identity")
        application = self.one("m:Applications/m:Application")
        self.assertEqual((identity.get("Publisher"), identity.get("Name"), application.get("Id")),
                         (msix[0].get("publisher"), msix[0].get("packageName"), msix[0].get("applicationId")))

    def test_EveryPartIsInTheBlockMapWithItsHashesAndHasAContentType(self):
        self.assertEqual([], package_problems(self.package))
        with zipfile.ZipFile(self.package) as package:
            names = package.namelist()
        self.assertEqual(["AppxManifest.xml", "AppxBlockMap.xml", "[Content_Types].xml"], names[-3:])
        self.assertEqual(self.manifest_bytes, zipfile.ZipFile(self.package).read("AppxManifest.xml"))

    def test_TheImagesTheManifestNamesAreInThePackageAtTheirSizes(self):
        images = {self.one("m:Properties/m:Logo").text: 50}
        visual = self.one("m:Applications/m:Application/uap:VisualElements")
        images[visual.get("Square150x150Logo")] = 150
        images[visual.get("Square44x44Logo")] = 44
        with zipfile.ZipFile(self.package) as package:
            for name, size in images.items():
                data = package.read(name.replace("\\", "/"))
                self.assertEqual(b"\x89PNG\r\n\x1a\n", data[:8], name)
                self.assertEqual((size, size), struct.unpack(">II", data[16:24]), name)

    def test_LargePartsAreHashedIn64KiBBlocks(self):
        big = bytes(range(256)) * 600  # 153600 bytes: two whole blocks and a part
        path = os.path.join(self.work, "big.msix")
        make_msix.build_package(self.manifest_bytes, {"Assets/big.dll": big, "Assets/a b.png": b"x"}, path)
        self.assertEqual([], package_problems(path))
        with zipfile.ZipFile(path) as package:
            entry = [f for f in ET.fromstring(package.read("AppxBlockMap.xml")).findall("b:File", NS)
                     if f.get("Name") == "Assets\\big.dll"][0]
        self.assertEqual(3, len(entry.findall("b:Block", NS)))

    def test_ASignedPackageStaysWholeAndKeepsItsBlockMap(self):
        if not shutil.which("osslsigncode"):
            self.skipTest("no osslsigncode")
        publisher = self.one("m:Identity").get("Publisher")
        key, cert, p12 = (os.path.join(self.work, n) for n in ("key.pem", "cert.pem", "cert.p12"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/" + publisher.replace(", ", "/"), "-keyout", key, "-out", cert],
                       check=True, capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-passout", "pass:test", "-inkey", key, "-in", cert,
                        "-out", p12], check=True, capture_output=True)
        env = dict(os.environ, WAVORY_SIGN_PKCS12=p12, WAVORY_SIGN_PASSWORD="test")
        subprocess.run(["bash", os.path.join(REPO, "installer", "sign.sh"), self.package], check=True, env=env)
        verify = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", self.package],
                                capture_output=True, text=True)
        self.assertEqual(0, verify.returncode, verify.stdout[-500:] + verify.stderr[-500:])
        self.assertEqual([], package_problems(self.package))
        with zipfile.ZipFile(self.package) as package:
            self.assertIn("AppxSignature.p7x", package.namelist())


class XmlResult(unittest.TextTestResult):
    """Keeps each case's outcome for the GoogleTest-style XML."""
    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.cases = []

    def addSuccess(self, test):
        super().addSuccess(test)
        self.cases.append((test, ""))

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.cases.append((test, "failure", self._exc_info_to_string(err, test)))

    def addError(self, test, err):
        super().addError(test, err)
        self.cases.append((test, "failure", self._exc_info_to_string(err, test)))

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self.cases.append((test, "skipped", reason))


def write_xml(result, path):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<testsuites name="package_tests">', '<testsuite name="Package">']
    for test, *outcome in result.cases:
        name = test.id().rsplit(".", 1)[-1][len("test_"):]
        if not outcome[0]:
            lines.append(f'<testcase name="{name}" classname="Package"/>')
        else:
            lines.append(f'<testcase name="{name}" classname="Package"><{outcome[0]} message={quoteattr(outcome[1])}/>'
                         "</testcase>")
    lines.append("</testsuite></testsuites>")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--manifest", required=True)
    parser.add_argument("--program-manifest", required=True)
    parser.add_argument("--xml", required=True)
    ARGS = parser.parse_args()
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(Package)
    result = unittest.TextTestRunner(resultclass=XmlResult, verbosity=2).run(suite)
    write_xml(result, ARGS.xml)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
