"""Which build a benchmark measures, shared by tools/bench-update.py and
tools/bench-startup.py.

By default they measure the build that runs at native speed: the 32-bit one
where 32-bit programs run natively, the x86_64 twin where they run only through
qemu-i386 (emulation slows the host, which also draws 60 frames a second on a
software renderer, more than its floors, so its ratios would not be the host's).
"""
import glob
import os
import re
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BINFMT = "/proc/sys/fs/binfmt_misc"
I386_MAGIC = "7f454c4601010100000000000000000002000300"


def i386_handler():
    """The interpreter binfmt_misc starts i386 programs with, or None."""
    try:
        names = os.listdir(BINFMT)
    except OSError:
        return None
    for name in names:
        if name in ("register", "status"):
            continue
        try:
            with open(os.path.join(BINFMT, name)) as f:
                text = f.read()
        except OSError:
            continue
        if "enabled" in text.splitlines() and ("magic " + I386_MAGIC) in text:
            m = re.search(r"^interpreter (.*)$", text, re.M)
            return m.group(1) if m else name
    return None


def i386_way():
    """'native', 'emulated' or None (32-bit programs do not run)."""
    if i386_handler():
        return "emulated"
    try:
        ok = subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode == 0
    except OSError:
        ok = False
    return "native" if ok else None


def default_build(kind):
    """build/<arch> (kind "product") or build/test-<arch> (kind "test") at native speed."""
    arch = "i686" if i386_way() == "native" else "x86_64"
    return os.path.join(ROOT, "build", arch if kind == "product" else "test-" + arch)


def build_arch(build):
    # The toolchain file sets the processor without caching it, so it is read
    # from the system file CMake writes at configure time.
    files = glob.glob(os.path.join(build, "CMakeFiles", "*", "CMakeSystem.cmake"))
    for path in files:
        with open(path) as f:
            m = re.search(r'^set\(CMAKE_SYSTEM_PROCESSOR "(\w+)"\)$', f.read(), re.M)
        if m:
            return m.group(1)
    raise SystemExit("%s: not a configured build (no CMAKE_SYSTEM_PROCESSOR in CMakeFiles/*/CMakeSystem.cmake)" % build)


def wine_loader(arch):
    return "wine" if arch == "i686" else "/usr/lib/wine/wine64"


def describe(build):
    """A line saying which build a figure comes from and how it runs."""
    arch = build_arch(build)
    if arch == "x86_64":
        how = "x86_64 twin, native speed"
    elif i386_way() == "emulated":
        how = "32-bit product, run through %s: emulated, not the host's own speed" % i386_handler()
    else:
        how = "32-bit product, native speed"
    return "%s (%s)" % (os.path.relpath(build, ROOT), how)
