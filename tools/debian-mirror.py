#!/usr/bin/env python3
"""Prints the machine's own Debian package source for a suite, as
"<URI> <Signed-By or ->", read from its apt source entries (deb822 ".sources"
files and one-line "sources.list" files). The project names no archive host:
it fetches from whatever mirror this machine already uses.
  tools/debian-mirror.py <suite> [apt-etc-dir]
Exits 1 (with a message) when no "deb" entry of the machine lists the suite
with the "main" component."""
import glob
import os
import sys


def deb822_entries(text):
    entry, key = {}, None
    for line in text.splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if entry:
                yield entry
            entry, key = {}, None
        elif line[0] in " \t" and key:  # continuation (e.g. an inline key)
            entry[key] += "\n" + line.strip()
        elif ":" in line:
            key, value = line.split(":", 1)
            key = key.strip().lower()
            entry[key] = value.strip()
    return


def one_line_entries(text):
    for line in text.splitlines():
        words = line.split("#", 1)[0].split()
        if not words or words[0] != "deb":
            continue
        options = {}
        rest = words[1:]
        if rest and rest[0].startswith("["):
            opts = []
            while rest:
                word = rest.pop(0)
                opts.append(word.strip("[]"))
                if word.endswith("]"):
                    break
            for opt in " ".join(opts).split():
                if "=" in opt:
                    k, v = opt.split("=", 1)
                    options[k.lower()] = v
        if len(rest) < 3:
            continue
        yield {"types": "deb", "uris": rest[0], "suites": rest[1], "components": " ".join(rest[2:]),
               "signed-by": options.get("signed-by", "")}


def entries(etc):
    files = []
    main = os.path.join(etc, "sources.list")
    if os.path.isfile(main):
        files.append(main)
    files += sorted(glob.glob(os.path.join(etc, "sources.list.d", "*.list")))
    files += sorted(glob.glob(os.path.join(etc, "sources.list.d", "*.sources")))
    for path in files:
        try:
            with open(path, encoding="utf-8") as f:
                text = f.read()
        except OSError:
            continue
        found = deb822_entries(text) if path.endswith(".sources") else one_line_entries(text)
        for entry in found:
            if entry.get("enabled", "yes").lower() == "no":
                continue
            yield entry


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: debian-mirror.py <suite> [apt-etc-dir]")
    suite = sys.argv[1]
    etc = sys.argv[2] if len(sys.argv) > 2 else "/etc/apt"
    for entry in entries(etc):
        if "deb" not in entry.get("types", "").split():
            continue
        if suite not in entry.get("suites", "").split() or "main" not in entry.get("components", "").split():
            continue
        uris = entry.get("uris", "").split()
        if not uris:
            continue
        signed_by = entry.get("signed-by", "")
        # An inline key spans lines; a private list can only point at a file.
        if not signed_by or "\n" in signed_by:
            signed_by = "-"
        print(uris[0].rstrip("/"), signed_by)
        return
    sys.exit("no 'deb' source entry under %s lists suite '%s' with component 'main'" % (etc, suite))


if __name__ == "__main__":
    main()
