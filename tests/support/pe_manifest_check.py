#!/usr/bin/env python3
"""The executable is marked as a 32-bit game should be: large-address-aware
in its PE header, and system DPI-aware by the application manifest it
carries (resource type 24, id 1), as `objdump -p` and the resource's bytes show.

usage: pe_manifest_check.py OBJDUMP EXE
"""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

RT_MANIFEST = 24
PROCESS_MANIFEST_ID = 1
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
WINDOWS_SETTINGS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
WINDOWS_SETTINGS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"


def characteristics(headers):
    """The flag names objdump lists under "Characteristics"."""
    m = re.search(r"^Characteristics 0x[0-9a-f]+\n((?:\t.*\n)*)", headers, re.M)
    return [line.strip() for line in m.group(1).splitlines()] if m else []


def image_base(headers):
    return int(re.search(r"^ImageBase\s+([0-9a-f]+)", headers, re.M).group(1), 16)


def resource_leaves(headers):
    """(type id, name id, language id, rva, size) of every resource in objdump's tree."""
    tree = headers.split("The .rsrc Resource Directory section:", 1)
    if len(tree) < 2:
        return []
    leaves, path = [], []
    for line in tree[1].splitlines():
        m = re.match(r"^[0-9a-f]+(\s+)Entry: ID: (?:0x)?([0-9a-f]+)", line)
        if m:
            depth = (len(m.group(1)) - 3) // 2  # type, name, language entries are indented 3, 5, 7
            path = path[:depth] + [int(m.group(2), 16)]
            continue
        m = re.match(r"^[0-9a-f]+\s+Leaf: Addr: 0x([0-9a-f]+), Size: 0x([0-9a-f]+)", line)
        if m and len(path) == 3:
            leaves.append((path[0], path[1], path[2], int(m.group(1), 16), int(m.group(2), 16)))
    return leaves


def loaded_bytes(objdump, exe, start, size):
    """size bytes of the image from virtual address start, from objdump's hex dump."""
    out = subprocess.run([objdump, "-s", "-j", ".rsrc", exe], capture_output=True, text=True, check=True).stdout
    data = {}
    for line in out.splitlines():
        m = re.match(r"^ ([0-9a-f]+) ((?:[0-9a-f]{2,8} ){1,4})", line + " ")
        if m:
            chunk = bytes.fromhex(m.group(2).replace(" ", ""))
            base = int(m.group(1), 16)
            for i, b in enumerate(chunk):
                data[base + i] = b
    return bytes(data.get(start + i, 0) for i in range(size))


def main():
    objdump, exe = sys.argv[1:3]
    headers = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    failures = []

    if "large address aware" not in characteristics(headers):
        failures.append("not large-address-aware; Characteristics: %s" % characteristics(headers))

    manifests = [l for l in resource_leaves(headers) if l[0] == RT_MANIFEST and l[1] == PROCESS_MANIFEST_ID]
    if len(manifests) != 1:
        failures.append("expected one manifest resource (type 24, id 1), found %s" % manifests)
    else:
        _, _, _, rva, size = manifests[0]
        text = loaded_bytes(objdump, exe, image_base(headers) + rva, size)
        try:
            root = ET.fromstring(text.lstrip(b"\xef\xbb\xbf"))
        except ET.ParseError as e:
            failures.append("the manifest is not XML (%s): %r" % (e, text[:200]))
            root = None
        if root is not None:
            settings = root.findall("./{%s}application/{%s}windowsSettings" % (ASM_V3, ASM_V3))
            aware = [e.text.strip().lower() for s in settings for e in s.findall("{%s}dpiAware" % WINDOWS_SETTINGS_2005)]
            if aware != ["true"]:
                failures.append("dpiAware should be true exactly once, found %s" % aware)
            # A dpiAwareness element would override dpiAware on newer Windows.
            awareness = [e.text for s in settings for e in s.findall("{%s}dpiAwareness" % WINDOWS_SETTINGS_2016)]
            if awareness and [a.strip().lower() for a in awareness] != ["system"]:
                failures.append("dpiAwareness other than system: %s" % awareness)

    for f in failures:
        print("FAIL:", f)
    if not failures:
        print("large-address-aware, system DPI-aware manifest")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
