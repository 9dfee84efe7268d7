#!/usr/bin/env python3
"""Runs the web window's isolated tests in a folder of their own.

usage: run_without_webview.py <case> <wine-run> <test exe> [<WebView2Loader.dll>]

case is "without-loader" (the folder holds only the test program) or
"without-entry" (it also holds a double that lacks the loader entry).
"""
import os
import shutil
import subprocess
import sys
import tempfile


def main():
    case, wine_run, test_exe = sys.argv[1:4]
    dll = sys.argv[4] if len(sys.argv) > 4 else None
    with tempfile.TemporaryDirectory(prefix="webwindow-" + case + "-") as folder:
        exe = os.path.join(folder, os.path.basename(test_exe))
        shutil.copy(test_exe, exe)
        if dll:
            shutil.copy(dll, os.path.join(folder, "WebView2Loader.dll"))
        env = dict(os.environ, WEBWINDOW_ISOLATED=case)
        result = subprocess.run([wine_run, exe, "--gtest_color=no", "--gtest_filter=IsolatedWithoutWebView.*"],
                                cwd=folder, env=env, timeout=240)
        return result.returncode


if __name__ == "__main__":
    sys.exit(main())
