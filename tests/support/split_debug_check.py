#!/usr/bin/env python3
"""The shipped executable carries no debug information and names its debug
file: no .debug_* section and no symbol table in EXE, a .gnu_debuglink that
names DEBUG_FILE with DEBUG_FILE's CRC-32, and DWARF in DEBUG_FILE.

usage: split_debug_check.py OBJDUMP EXE DEBUG_FILE
"""
import os
import re
import struct
import subprocess
import sys
import zlib


def sections(objdump, path):
    out = subprocess.run([objdump, "-h", path], capture_output=True, text=True, check=True).stdout
    names = []
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 2 and parts[0].isdigit():
            names.append(parts[1])
    return names


def section_bytes(objdump, path, name):
    """A section's contents from objdump's hex dump (objcopy -O binary
    leaves out the sections a PE image does not load)."""
    out = subprocess.run([objdump, "-s", "-j", name, path], capture_output=True, text=True, check=True).stdout
    data = b""
    for line in out.splitlines():
        m = re.match(r"^ [0-9a-f]+ ((?:[0-9a-f]{2,8} ){1,4})", line + " ")
        if m:
            data += bytes.fromhex(m.group(1).replace(" ", ""))
    return data


def main():
    objdump, exe, debug_file = sys.argv[1:4]
    failures = []
    exe_sections = sections(objdump, exe)
    if not exe_sections:
        sys.exit("no sections read from %s" % exe)
    debug_in_exe = [s for s in exe_sections if s.startswith(".debug")]
    if debug_in_exe:
        failures.append("%s still holds %s" % (exe, " ".join(debug_in_exe)))
    symbols = subprocess.run([objdump, "-t", exe], capture_output=True, text=True, check=True).stdout
    if "[" in symbols:  # each symbol-table entry prints as "[  n](sec ...)"
        failures.append("%s still has a symbol table" % exe)
    if not os.path.isfile(debug_file):
        sys.exit("\n".join(failures + ["%s is missing" % debug_file]))
    if ".debug_info" not in sections(objdump, debug_file):
        failures.append("%s holds no .debug_info" % debug_file)

    if ".gnu_debuglink" not in exe_sections:
        failures.append("%s has no .gnu_debuglink" % exe)
    else:
        link = section_bytes(objdump, exe, ".gnu_debuglink")
        name, _, _ = link.partition(b"\0")
        crc_at = (len(name) + 1 + 3) // 4 * 4
        (crc,) = struct.unpack_from("<I", link, crc_at)
        with open(debug_file, "rb") as f:
            want = zlib.crc32(f.read())
        if name.decode() != os.path.basename(debug_file):
            failures.append("debug link names %r, not %r" % (name.decode(), os.path.basename(debug_file)))
        if crc != want:
            failures.append("debug link CRC %08x, the file's is %08x" % (crc, want))

    if failures:
        sys.exit("\n".join(failures))
    print("%s: %d bytes, stripped; debug information in %s (%d bytes)"
          % (exe, os.path.getsize(exe), debug_file, os.path.getsize(debug_file)))


if __name__ == "__main__":
    main()
