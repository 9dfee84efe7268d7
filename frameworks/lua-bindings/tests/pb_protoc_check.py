#!/usr/bin/env python3
"""protoc reads back what the pb module encoded (written by the pb_protoc_tests
run): --decode_raw of it must equal --decode_raw of protoc's own encoding of the
same message, and --decode against the .proto must give the message's values.

usage: pb_protoc_check.py PROTOC PROTO MESSAGE PROTOC_ENCODED MODULE_ENCODED
"""
import pathlib
import subprocess
import sys


def protoc(protoc_exe, args, data):
    run = subprocess.run([protoc_exe, *args], input=data, capture_output=True, check=False)
    if run.returncode != 0:
        sys.exit(f"protoc {' '.join(args)} failed: {run.stderr.decode(errors='replace')}")
    return run.stdout.decode()


def main():
    protoc_exe, proto, message, protoc_encoded, module_encoded = sys.argv[1:6]
    theirs = pathlib.Path(protoc_encoded).read_bytes()
    module_file = pathlib.Path(module_encoded)
    if not module_file.is_file():
        sys.exit(f"{module_file} is missing: the pb encoding case did not write it")
    ours = module_file.read_bytes()

    raw_ours = protoc(protoc_exe, ["--decode_raw"], ours)
    raw_theirs = protoc(protoc_exe, ["--decode_raw"], theirs)
    print(raw_ours)
    if raw_ours != raw_theirs:
        sys.exit(f"--decode_raw differs; protoc's own encoding reads:\n{raw_theirs}")

    include = str(pathlib.Path(proto).parent)
    typed_args = [f"--decode={message}", f"-I{include}", pathlib.Path(proto).name]
    typed_ours = protoc(protoc_exe, typed_args, ours)
    typed_theirs = protoc(protoc_exe, typed_args, theirs)
    if typed_ours != typed_theirs:
        sys.exit(f"--decode differs:\n{typed_ours}\nwant:\n{typed_theirs}")
    # Guard against two empty decodings agreeing.
    if "inner {" not in typed_ours or "i64: -5000000000" not in typed_ours:
        sys.exit(f"decoded message lacks its fields:\n{typed_ours}")
    print("protoc reads the pb module's encoding as the message it was given")


if __name__ == "__main__":
    main()
