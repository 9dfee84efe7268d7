#!/usr/bin/env python3
"""Start-up figure: time from process start to the engine's first frames.

Runs the host on the demo game several times under wine and reads two marks off
its engine log: "==write path==" (logged as the main loop is about to draw its
first frame) and the demo game's "[LUA-print] demo game started" (the frame
after the hand-over). Prints each run and the medians. Not a test.
  tools/bench-startup.py [--build build/<arch>] [runs]
By default it measures the product build that runs at native speed here (the
x86_64 twin where 32-bit programs run only emulated; see tools/benchbuild.py)
and says which build the figures come from. It needs a built tree
(tools/run-demo.sh builds one; `source tools/common.sh; build_tree x86_64 product` the twin).
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(HERE, "tools"))
import benchbuild  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=benchbuild.default_build("product"),
                        help="a product build with bin/GameHost.exe; default: the one at native speed here")
    parser.add_argument("runs", nargs="?", type=int, default=7)
    args = parser.parse_args()
    runs = args.runs
    build = os.path.abspath(args.build)
    arch = benchbuild.build_arch(build)
    loader = benchbuild.wine_loader(arch)
    print("build: " + benchbuild.describe(build))
    stage = os.path.join(HERE, "build", "bench")
    shutil.rmtree(stage, ignore_errors=True)
    shutil.copytree(os.path.join(HERE, "demo", "game"), stage)
    shutil.copy2(os.path.join(build, "bin", "GameHost.exe"), stage)
    env = dict(os.environ, WINEPREFIX=os.path.join(HERE, "build", "demo-prefix"),
               WINEDLLOVERRIDES="mscoree,mshtml=", WINEDEBUG="-all")
    xvfb = None
    if not env.get("DISPLAY"):
        xvfb = subprocess.Popen(["Xvfb", ":131", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        env["DISPLAY"] = ":131"
        time.sleep(1)
    subprocess.run([loader, "wineboot", "--init"], env=env, capture_output=True)
    # Keep the wine server up between runs, as it is on a desktop that already runs wine.
    server = subprocess.Popen(["wineserver", "-f", "-p"], env=env)
    marks = {"==write path==": [], "[LUA-print] demo game started": []}
    try:
        for run in range(runs):
            start = time.monotonic()
            proc = subprocess.Popen([loader, "GameHost.exe"], cwd=stage, env=env, stdout=subprocess.PIPE,
                                    stderr=subprocess.DEVNULL)
            seen = {}
            for raw in iter(proc.stdout.readline, b""):
                line = raw.decode("utf-8", "replace").strip()
                for mark in marks:
                    if line.startswith(mark) and mark not in seen:
                        seen[mark] = (time.monotonic() - start) * 1000
                if len(seen) == len(marks):
                    break
            proc.kill()
            proc.wait()
            for mark, ms in seen.items():
                marks[mark].append(ms)
            print("run %d: %s" % (run + 1, ", ".join("%s %.0f ms" % (m, v) for m, v in seen.items())))
    finally:
        server.terminate()
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
        if xvfb:
            xvfb.terminate()
    for mark, values in marks.items():
        if values:
            print("median to %s: %.0f ms over %d runs" % (mark, statistics.median(values), len(values)))


if __name__ == "__main__":
    main()
