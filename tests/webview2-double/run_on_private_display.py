#!/usr/bin/env python3
"""Runs the web window's on-screen tests on an X display of their own.

usage: run_on_private_display.py <test exe>

They read their window's pixels off the screen; on the display every other
test shares, any window could cover them. hostrun.PrivateDisplay starts an
Xvfb of their own, and wine puts the program's windows there.
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "scenario"))
import hostrun  # noqa: E402


def main():
    test_exe = sys.argv[1]
    display = hostrun.PrivateDisplay()
    try:
        env = hostrun.wine_env()
        env["DISPLAY"] = display.name
        env["WEBWINDOW_PRIVATE_DISPLAY"] = display.name
        result = subprocess.run([env["WINE_LOADER"], test_exe, "--gtest_color=no",
                                 "--gtest_filter=WebWindowOnItsOwnDisplay.*"],
                                cwd=os.path.dirname(test_exe), env=env, stdin=subprocess.DEVNULL, timeout=240)
        return result.returncode
    finally:
        display.close()


if __name__ == "__main__":
    sys.exit(main())
