#!/usr/bin/env python3
"""Runs the login roads that carry secrets (LoginSecretsTest in the login
tests) with wine showing the debug output, and finds no value marked
"SECRET" in any line the program wrote: engine log (standard output) and
OutputDebugString lines (standard error under WINEDEBUG=+debugstr).

    login_secrets_test.py <wine-run> <login_tests.exe>
"""

import os
import subprocess
import sys

MARKER = "SECRET"
BEGIN = "native-bridge: secret roads begin"
END = "native-bridge: secret roads end"


def main():
    wine_run, exe = sys.argv[1], sys.argv[2]
    env = dict(os.environ, WINEDEBUG="-all,+debugstr")
    run = subprocess.run([wine_run, exe, "--gtest_filter=LoginSecretsTest.*", "--gtest_color=no"],
                         env=env, capture_output=True, timeout=240)
    out = run.stdout.decode("utf-8", "replace")
    err = run.stderr.decode("utf-8", "replace")
    print(out)
    print(err, file=sys.stderr)
    failures = []
    if run.returncode != 0:
        failures.append("the roads' test failed (exit %d)" % run.returncode)
    if BEGIN not in err or END not in err:
        failures.append("the debug output of the run was not captured")
    if "[  PASSED  ] 1 test" not in out:
        failures.append("the roads' test did not run")
    for stream, text in (("stdout", out), ("stderr", err)):
        for line in text.splitlines():
            if MARKER in line:
                failures.append("%s line carries a secret: %s" % (stream, line))
    if failures:
        sys.exit("\n".join(failures))
    print("no secret in %d output lines" % (len(out.splitlines()) + len(err.splitlines())))


if __name__ == "__main__":
    main()
