#!/usr/bin/env python3
"""Runs the update engine's transport cases (EngineTransport.* of the update
engine tests) against the fixture patch server over TLS: a package served
whole and one whose connection the server closes part-way, named to the test
program in the environment with the server's CA and another one.

    update_transport_test.py <wine-run> <update_engine_tests.exe>
"""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))

import fixtures  # noqa: E402

SIZE = 300000
CUT_AFTER = 123457


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    wine_run, exe = sys.argv[1], sys.argv[2]
    fixtures.require_server()
    site = fixtures.Site("transport")
    try:
        with tempfile.TemporaryDirectory() as scratch:
            payload = os.urandom(SIZE)
            body = os.path.join(scratch, "p.bin")
            with open(body, "wb") as f:
                f.write(payload)
            fixtures.install_ca(scratch)
            site.set({"/p.bin": {"body_file": body}, "/cut.bin": {"body_file": body, "cut_after": CUT_AFTER}})
            env = dict(os.environ,
                       UPDATE_TRANSPORT_BASE=site.url("/", "https"),
                       UPDATE_TRANSPORT_CA=windows_path(os.path.join(scratch, "cacert.pem")),
                       UPDATE_TRANSPORT_OTHER_CA=windows_path(os.path.join(fixtures.state_dir(), "other-ca.pem")),
                       UPDATE_TRANSPORT_MD5=fixtures.md5_upper(payload),
                       UPDATE_TRANSPORT_SIZE=str(SIZE),
                       UPDATE_TRANSPORT_CUT=str(CUT_AFTER))
            run = subprocess.run([wine_run, exe, "--gtest_filter=EngineTransport.*", "--gtest_color=no"],
                                 env=env, timeout=240)
            if run.returncode != 0:
                sys.exit("the transport cases failed (exit %d)" % run.returncode)
            requests = [e["path"] for e in site.log()]
            # The refused handshakes never reach it.
            if requests.count("/p.bin") != 4 or requests.count("/cut.bin") != 1:
                sys.exit("the transport cases did not reach the server as expected: %r" % requests)
    finally:
        site.drop()


if __name__ == "__main__":
    main()
