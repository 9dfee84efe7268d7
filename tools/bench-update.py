#!/usr/bin/env python3
"""Benchmark of the update engine (a script, not a test): loopback only,
bounded in time.

For each data set it runs the test build's host against the fixture patch
server (HTTPS on 127.0.0.1:18443, as the test build names it) and measures the
wall time from the list answer to "update ok", the bytes per second and the
peak memory of the host process. Beside it, in the same run, the floor:
the cross-built curl.exe fetching the same files with 8 parallel transfers,
and a plain minizip unpack of the same zips (one thread, 8 KiB buffer).
It prints update / max(download floor, unpack floor).

    tools/bench-update.py [--build build/test-<arch>] [--sets big,many,entries] [--quick]

The floors are built for the same architecture as the measured build. By
default it measures the test build that runs at native speed (see
tools/benchbuild.py) and says which one it measured.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import threading
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "fixtures"))
import fixture_server  # noqa: E402
sys.path.insert(0, HERE)
import benchbuild  # noqa: E402
import fixtures  # noqa: E402

STEP_TIMEOUT_S = 600  # every step of the run is bounded
MiB = 1024 * 1024

UNZIP_FLOOR_C = r"""
/* The unpack floor: every zip named in the list file (one path a line), in
   order, into one folder, with the same library and buffer size as the host. */
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "unzip.h"
static void mkparents(const char* dest, const char* name) {
    char path[1024];
    for (const char* p = strchr(name, '/'); p; p = strchr(p + 1, '/')) {
        snprintf(path, sizeof path, "%s%.*s", dest, (int)(p - name), name);
        CreateDirectoryA(path, NULL);
    }
}
int main(int argc, char** argv) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    static char buf[8192];
    const char* dest = argv[1];
    FILE* list = fopen(argv[2], "r");
    char zipPath[1024];
    while (list && fgets(zipPath, sizeof zipPath, list)) {
        zipPath[strcspn(zipPath, "\r\n")] = 0;
        unzFile z = unzOpen64(zipPath);
        if (!z) { fprintf(stderr, "cannot open %s\n", zipPath); return 1; }
        int rc = unzGoToFirstFile(z);
        while (rc == UNZ_OK) {
            char name[1024];
            unz_file_info64 info;
            unzGetCurrentFileInfo64(z, &info, name, sizeof name, NULL, 0, NULL, 0);
            mkparents(dest, name);
            char out[2048];
            snprintf(out, sizeof out, "%s%s", dest, name);
            if (name[strlen(name) - 1] != '/') {
                unzOpenCurrentFile(z);
                FILE* o = fopen(out, "wb");
                int n;
                while ((n = unzReadCurrentFile(z, buf, sizeof buf)) > 0) fwrite(buf, 1, n, o);
                fclose(o);
                unzCloseCurrentFile(z);
            }
            rc = unzGoToNextFile(z);
        }
        unzClose(z);
    }
    QueryPerformanceCounter(&b);
    printf("%.0f\n", (double)(b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart);
    return 0;
}
"""


def log(*args):
    print("[bench]", *args, flush=True)


def wine_env(build):
    env = dict(os.environ)
    with open(os.path.join(build, "test-env", "env.sh")) as f:
        for line in f:
            m = re.match(r"export (\w+)='(.*)'$", line.strip())
            if m:
                env[m.group(1)] = m.group(2)
    env["WINEDEBUG"] = "-all"
    return env


def to_windows(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# ---------------------------------------------------------------- tools for the floor
def ensure_curl_exe(work, arch):
    """curl.exe cross-built from the same sources as the host's libcurl (the
    Debian source tree tools/deps.sh unpacked, its changes applied)."""
    exe = os.path.join(work, "curl", "build", "src", "curl.exe")
    if os.path.exists(exe):
        return exe
    deps_src = os.path.join(os.path.realpath(os.path.join(ROOT, "build", "deps-" + arch)), "work", "curl")
    if not os.path.isfile(os.path.join(deps_src, "CMakeLists.txt")):
        sys.exit("no libcurl sources in %s: run tools/deps.sh --arch %s first" % (deps_src, arch))
    src = os.path.join(work, "curl")
    shutil.rmtree(src, ignore_errors=True)
    shutil.copytree(deps_src, src, ignore=shutil.ignore_patterns("build"))
    log("building curl.exe once (about a minute)")
    subprocess.run(["cmake", "-S", src, "-B", os.path.join(src, "build"),
                    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(ROOT, "cmake", "mingw-%s.cmake" % arch),
                    "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_SHARED_LIBS=OFF", "-DCURL_USE_SCHANNEL=ON",
                    "-DBUILD_CURL_EXE=ON", "-DBUILD_TESTING=OFF", "-DCURL_USE_LIBPSL=OFF", "-DCURL_USE_LIBSSH2=OFF",
                    "-DUSE_LIBIDN2=OFF", "-DCURL_ZLIB=ON", "-DENABLE_UNICODE=OFF", "-DCURL_DISABLE_LDAP=ON",
                    "-DHTTP_ONLY=ON", "-DCMAKE_EXE_LINKER_FLAGS=-static"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", os.path.join(src, "build"), "-j4", "--target", "curl"],
                   check=True, stdout=subprocess.DEVNULL)
    return exe


def ensure_unzip_exe(work, arch):
    exe = os.path.join(work, "unzip-floor.exe")
    if os.path.exists(exe):
        return exe
    prefix = os.path.join(ROOT, "build", "deps-" + arch, "prefix")
    source = os.path.join(work, "unzip-floor.c")
    with open(source, "w") as f:
        f.write(UNZIP_FLOOR_C)
    flags = ["-msse2", "-mfpmath=sse"] if arch == "i686" else []
    subprocess.run(["%s-w64-mingw32-gcc-posix" % arch, "-O2", *flags,
                    "-I" + os.path.join(prefix, "include", "minizip"),
                    source, "-o", exe, "-static", os.path.join(prefix, "lib", "libminizip.a"), "-lz"], check=True)
    return exe


# ---------------------------------------------------------------- data sets
def make_set(work, name, count, size, entries_per_package=4, one_package_entries=None):
    folder = os.path.join(work, "sets", name)
    stamp = os.path.join(folder, "done.json")
    if os.path.exists(stamp):
        with open(stamp) as f:
            return json.load(f)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    packages = []
    if one_package_entries:
        path = os.path.join(folder, "entries.zip")
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            for i in range(one_package_entries):
                z.writestr("e/%03d/%05d.txt" % (i // 200, i), ("entry %d " % i) * 8)
        packages.append(path)
    else:
        for i in range(count):
            path = os.path.join(folder, "p%04d.zip" % i)
            with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:  # random bytes: no gain in deflating
                part = size // entries_per_package
                for k in range(entries_per_package):
                    z.writestr("d%04d/f%d.bin" % (i, k), os.urandom(part))
            packages.append(path)
    items = []
    for sn, path in enumerate(packages, start=1):
        with open(path, "rb") as f:
            data = f.read()
        items.append([sn, os.path.basename(path), fixtures.md5_upper(data), len(data)])
    info = {"name": name, "packages": packages, "list": {"sign": "bench", "xlist": items},
            "bytes": sum(i[3] for i in items)}
    with open(stamp, "w") as f:
        json.dump(info, f)
    return info


# ---------------------------------------------------------------- one measurement
class HostRun:
    def __init__(self, build, game, env):
        exe = os.path.join(game, "GameHost.exe")
        self.err = open(os.path.join(game, "wine.log"), "wb")
        self.proc = subprocess.Popen([env["WINE_LOADER"], exe], cwd=game, env=env, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, stderr=self.err)
        self.peak_kib = 0
        self.update_ok_at = None
        self.lines = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        self.sampler = threading.Thread(target=self._sample, daemon=True)
        self.sampler.start()

    def _read(self):
        for raw in iter(self.proc.stdout.readline, b""):
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            self.lines.append(line)
            if line == "update ok" and self.update_ok_at is None:
                self.update_ok_at = time.time()

    def _sample(self):
        while self.proc.poll() is None:
            try:
                with open("/proc/%d/status" % self.proc.pid) as f:
                    m = re.search(r"VmHWM:\s+(\d+) kB", f.read())
                if m:
                    self.peak_kib = max(self.peak_kib, int(m.group(1)))
            except OSError:
                pass
            time.sleep(0.05)

    def wait_update(self, timeout):
        deadline = time.monotonic() + timeout
        while self.update_ok_at is None:
            if time.monotonic() > deadline or self.proc.poll() is not None:
                raise RuntimeError("no 'update ok' (exit %s); log tail:\n%s" % (self.proc.poll(), "\n".join(self.lines[-8:])))
            time.sleep(0.05)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def bench_update(build, work, info, site, env):
    game = os.path.join(work, "game-" + info["name"])
    shutil.rmtree(game, ignore_errors=True)
    os.makedirs(os.path.join(game, "vexa"))
    os.makedirs(os.path.join(game, "src"))
    shutil.copy(os.path.join(build, "bin", "GameHost.exe"), game)
    fixtures.install_ca(game)
    with open(os.path.join(game, "vexa", "gateway"), "w") as f:
        f.write(site.url("/gateway"))
    with open(os.path.join(game, "vexa", "ResSignSn"), "w") as f:
        f.write("bench 0")
    with open(os.path.join(game, "src", "main.lua"), "w") as f:
        f.write('release_print("bench game")\n')
    routes = {"/gateway": {"body": json.dumps({"Res": site.url("/res/list.json")})},
              "/res/list.json": {"body": json.dumps(info["list"])}}
    for path in info["packages"]:
        routes["/res/" + os.path.basename(path)] = {"body_file": path}
    site.set(routes)
    run = HostRun(build, game, env)
    try:
        run.wait_update(STEP_TIMEOUT_S)
        time.sleep(0.3)
        entries = site.log()
        list_end = [e for e in entries if e["path"] == "/res/list.json"][0]["end"]
        last_package = max(e["end"] for e in entries if e["path"].endswith(".zip"))
        return run.update_ok_at - list_end, run.peak_kib, last_package - list_end
    finally:
        run.kill()


def wine_time(env, args, cwd):
    start = time.monotonic()
    result = subprocess.run([env["WINE_LOADER"], *args], cwd=cwd, env=env, capture_output=True,
                            timeout=STEP_TIMEOUT_S)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (args[0], result.stderr.decode("utf-8", "replace")[-500:]))
    return time.monotonic() - start, result.stdout.decode()


def bench_curl(work, curl_exe, info, site, env):
    out = os.path.join(work, "curl-out")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    shutil.copy(os.path.join(fixtures.state_dir(), "ca.pem"), os.path.join(out, "ca.pem"))
    with open(os.path.join(out, "urls.txt"), "w") as f:
        for path in info["packages"]:
            name = os.path.basename(path)
            f.write('url = "%s"\noutput = "%s"\n' % (site.url("/res/" + name, "https"), name))
    startup, _ = wine_time(env, [curl_exe, "--version"], out)
    elapsed, _ = wine_time(env, [curl_exe, "-s", "-S", "-f", "--parallel", "--parallel-max", "8",
                                 "--cacert", "ca.pem", "-K", "urls.txt"], out)
    for path in info["packages"]:
        assert os.path.getsize(os.path.join(out, os.path.basename(path))) == os.path.getsize(path)
    return max(elapsed - startup, 0.001)


def bench_unzip(work, unzip_exe, info, env):
    dest = os.path.join(work, "unzip-out")
    shutil.rmtree(dest, ignore_errors=True)
    os.makedirs(dest)
    listing = os.path.join(work, "unzip-list.txt")
    with open(listing, "w") as f:
        f.write("".join(to_windows(p) + "\n" for p in info["packages"]))
    _, out = wine_time(env, [unzip_exe, to_windows(dest) + "\\", to_windows(listing)], work)
    return float(out.strip().splitlines()[-1]) / 1000.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=benchbuild.default_build("test"),
                        help="a test build (its PATCH_SERVER_HOST the fixture server) with bin/GameHost.exe and "
                             "test-env/; default: the one that runs at native speed here")
    parser.add_argument("--sets", default="big,many,entries")
    parser.add_argument("--quick", action="store_true", help="a quarter of each data set")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    if not os.path.exists(os.path.join(build, "test-env", "env.sh")):
        sys.exit("run `ctest -R wine.setup` in %s first" % build)
    # The build's display and wine prefix, as the wine.setup test makes them
    # (do not run the benchmark while that build's tests run).
    loader = wine_env(build)["WINE_LOADER"]
    wine_env_sh = os.path.join(ROOT, "tests", "support", "wine-env.sh")
    test_env = os.path.join(build, "test-env")
    subprocess.run([wine_env_sh, "setup", test_env, loader], check=True, stdout=subprocess.DEVNULL)
    env = wine_env(build)
    arch = benchbuild.build_arch(build)
    log("measuring " + benchbuild.describe(build))
    work = os.path.join(ROOT, "build", "bench-update")
    tools = os.path.join(work, "floor-" + arch)
    os.makedirs(tools, exist_ok=True)

    q = 4 if args.quick else 1
    sets = {"big": lambda: make_set(work, "big%d" % q, 64 // q, 4 * MiB),
            "many": lambda: make_set(work, "many%d" % q, 1000 // q, 64 * 1024, entries_per_package=2),
            "entries": lambda: make_set(work, "entries%d" % q, 1, 0, one_package_entries=20000 // q)}
    curl_exe = ensure_curl_exe(tools, arch)
    unzip_exe = ensure_unzip_exe(tools, arch)
    fixture_server.start()
    site = fixtures.Site("bench")
    rows = []
    try:
        for name in args.sets.split(","):
            info = sets[name]()
            log("%s: %d package(s), %.1f MiB" % (name, len(info["packages"]), info["bytes"] / MiB))
            update_s, peak_kib, fetched_s = bench_update(build, work, info, site, env)
            download_s = bench_curl(work, curl_exe, info, site, env)
            unzip_s = bench_unzip(work, unzip_exe, info, env)
            floor = max(download_s, unzip_s)
            rows.append((name, len(info["packages"]), info["bytes"] / MiB, update_s, fetched_s,
                         info["bytes"] / MiB / update_s,
                         peak_kib / 1024, download_s, unzip_s, update_s / floor))
    finally:
        site.drop()
        fixture_server.stop()
        subprocess.run([wine_env_sh, "cleanup", test_env, loader], check=False)

    print()
    print("build: " + benchbuild.describe(build))
    print("%-8s %5s %8s %9s %9s %8s %9s %10s %9s %6s" % ("set", "pkgs", "MiB", "update s", "fetched s", "MiB/s",
                                                          "peak MiB", "curl x8 s", "unzip s", "ratio"))
    for r in rows:
        print("%-8s %5d %8.1f %9.2f %9.2f %8.1f %9.1f %10.2f %9.2f %6.2f" % r)
    print("fetched s: from the list answer to the end of the last package transfer")
    print("ratio = update / max(curl x8, unzip); goal <= 1.15")


if __name__ == "__main__":
    main()
