#!/usr/bin/env python3
"""The serial record's bytes reach the disk before the record's temporary file
takes the record's name: runs the record's replacement case of the update
engine tests under strace and finds, for every replacement, a flush
(fsync/fdatasync, what FlushFileBuffers becomes under wine) of a descriptor
that still names the temporary file, so it was flushed before the rename.

    update_record_flush_test.py <wine-run> <update_engine_tests.exe>
"""

import os
import re
import subprocess
import sys
import tempfile

CASE = "SerialRecordFile.ReplacesTheRecordWholeAndLeavesNoTemporaryFile"
REPLACEMENTS = 3  # the records that case writes
TEMP_NAME = "LocalResSignSn.tmp"


def main():
    wine_run, exe = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as scratch:
        trace = os.path.join(scratch, "trace")
        run = subprocess.run(["strace", "-f", "-qq", "-y", "-e", "trace=fsync,fdatasync", "-o", trace,
                              wine_run, exe, "--gtest_filter=" + CASE, "--gtest_color=no"],
                             capture_output=True, timeout=240)
        out = run.stdout.decode("utf-8", "replace")
        print(out)
        print(run.stderr.decode("utf-8", "replace"), file=sys.stderr)
        with open(trace, encoding="utf-8", errors="replace") as f:
            calls = [line.strip() for line in f if re.search(r"\b(fsync|fdatasync)\(", line)]
    failures = []
    if run.returncode != 0 or "[  PASSED  ] 1 test" not in out:
        failures.append("the record's test did not pass (exit %d)" % run.returncode)
    flushed = [c for c in calls if re.search(r"\((\d+)<[^>]*/auc/%s>\) = 0$" % re.escape(TEMP_NAME), c)]
    print("flushes seen:\n  " + "\n  ".join(calls or ["none"]))
    if len(flushed) != REPLACEMENTS:
        failures.append("%d successful flushes of %s before its rename, not %d"
                        % (len(flushed), TEMP_NAME, REPLACEMENTS))
    if failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
