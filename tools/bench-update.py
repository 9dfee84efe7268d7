#!/usr/bin/env python3
"""Benchmark of the update engine (a script, not a test): loopback only,
bounded in time.

For each data set it runs the test build's host against the fixture patch
server (HTTPS on 127.0.0.1, at the port base HOST_FIXTURE_PORT_BASE that the
test build was configured with, 18443 by default) and measures the wall time
from the list answer to "update ok", the bytes per second, the peak memory of
the host process, and the processor time of its main thread, of its other
threads and of the prefix's wineserver. Beside it, in the same run, the floors:
the cross-built curl.exe fetching the same files with 8 parallel transfers; a
plain minizip unpack of the same zips (one thread, 8 KiB buffer); and that
unpack plus what the host must do after each package (delete the zip, replace
the serial record through a temporary file and a move); and the download
floor and that unpack started together, so they share the wineserver the way
the host's download and unpacking threads do.
It prints update / max(download floor, unpack floor), the same against the
unpack floor with the per-package work, and update / the overlapped floors.

    tools/bench-update.py [--build build/test-<arch>] [--sets big,many,entries] [--quick] [--runs N] [--exe OTHER.exe]
                          [--scratch DIR]

The game folders and the floors' folders go to build/bench-update, on the
disk a user would have; --scratch puts them under DIR instead (for instance
/dev/shm): on a virtual disk that takes the disk's own variance out of the
comparison (back-to-back runs of the same unpack floor there ranged from 8 to
13 s on the entries set, and within 3 % on tmpfs).

The floors are built for the same architecture as the measured build. By
default it measures the test build that runs at native speed (see
tools/benchbuild.py) and says which one it measured.
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import statistics
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
/* The unpack floors: every zip named in the list file (one path a line), in
   order, into one folder, with the same library and buffer size as the host.
   With a third argument "record" it also does what the host must do after
   each package: delete the zip and replace the serial record safely (a
   temporary file beside the resources folder, then moved over the record). */
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
static int writeRecord(const char* dest, int sn) {
    char temp[1024], target[1024], text[64];
    snprintf(temp, sizeof temp, "%s..\\LocalResSignSn.tmp", dest);
    snprintf(target, sizeof target, "%sLocalResSignSn", dest);
    int n = snprintf(text, sizeof text, "bench %d", sn);
    FILE* f = fopen(temp, "wb");
    if (!f) return 0;
    int ok = fwrite(text, 1, n, f) == (size_t)n;
    ok = fclose(f) == 0 && ok;
    return ok && MoveFileExA(temp, target, MOVEFILE_REPLACE_EXISTING);
}
int main(int argc, char** argv) {
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&a);
    static char buf[8192];
    const char* dest = argv[1];
    const int record = argc > 3 && strcmp(argv[3], "record") == 0;
    FILE* list = fopen(argv[2], "r");
    char zipPath[1024];
    int sn = 0;
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
        ++sn;
        if (record) {
            if (!DeleteFileA(zipPath)) { fprintf(stderr, "cannot delete %s\n", zipPath); return 1; }
            if (!writeRecord(dest, sn)) { fprintf(stderr, "cannot write the record\n"); return 1; }
        }
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
    digest = hashlib.sha1(UNZIP_FLOOR_C.encode()).hexdigest()[:10]
    exe = os.path.join(work, "unzip-floor-%s.exe" % digest)
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
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def thread_cpu(pid, names=None):
    """{tid: processor seconds (user + system)} of a process's threads; their
    names into names when given."""
    out = {}
    try:
        tids = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return out
    for tid in tids:
        try:
            with open("/proc/%d/task/%s/stat" % (pid, tid)) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            out[int(tid)] = (int(fields[11]) + int(fields[12])) / CLOCK_TICKS
            if names is not None:
                with open("/proc/%d/task/%s/comm" % (pid, tid)) as f:
                    names[int(tid)] = f.read().strip()
        except (OSError, IndexError, ValueError):
            pass
    return out


def wineserver_cpu(prefix):
    """Processor seconds of the wineserver that serves the prefix (0 when none runs)."""
    total = 0.0
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as f:
                if not f.read().strip().startswith("wineserver"):
                    continue
            with open("/proc/%s/environ" % entry, "rb") as f:
                if ("WINEPREFIX=" + prefix).encode() not in f.read().split(b"\0"):
                    continue
            total += sum(thread_cpu(int(entry)).values())
        except OSError:
            pass
    return total


class HostRun:
    def __init__(self, build, game, env):
        exe = os.path.join(game, "GameHost.exe")
        self.prefix = env.get("WINEPREFIX", "")
        self.server_cpu_at_start = wineserver_cpu(self.prefix)
        self.cpu_at_ok = {}
        self.thread_names = {}
        self.thread_seen = {}
        self.server_cpu_at_ok = 0.0
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
                self.cpu_at_ok = dict(self.thread_seen)
                self.cpu_at_ok.update(thread_cpu(self.proc.pid, self.thread_names))
                self.server_cpu_at_ok = wineserver_cpu(self.prefix)

    def _sample(self):
        while self.proc.poll() is None:
            if self.update_ok_at is None:
                # Threads that end before "update ok" keep their last reading.
                self.thread_seen.update(thread_cpu(self.proc.pid, self.thread_names))
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


def bench_update(build, work, info, site, env, show_prefix=None, exe=None):
    game = os.path.join(work, "game-" + info["name"])
    shutil.rmtree(game, ignore_errors=True)
    os.makedirs(os.path.join(game, "vexa"))
    os.makedirs(os.path.join(game, "src"))
    shutil.copy(exe or os.path.join(build, "bin", "GameHost.exe"), os.path.join(game, "GameHost.exe"))
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
    settle()
    run = HostRun(build, game, env)
    try:
        run.wait_update(STEP_TIMEOUT_S)
        time.sleep(0.3)
        entries = site.log()
        list_end = [e for e in entries if e["path"] == "/res/list.json"][0]["end"]
        last_package = max(e["end"] for e in entries if e["path"].endswith(".zip"))
        if show_prefix:
            for line in run.lines:
                if line.startswith(show_prefix):
                    log(line)
        # The main thread is the process's first thread; the others are the
        # download and unpacking threads, wine's own and the GL driver's.
        main_cpu = run.cpu_at_ok.get(run.proc.pid, 0.0)
        if show_prefix:
            busiest = sorted(run.cpu_at_ok.items(), key=lambda item: -item[1])[:12]
            log("threads by processor time: " + ", ".join(
                "%s%s %.2f s" % (run.thread_names.get(tid, "?"), " (main)" if tid == run.proc.pid else "", cpu)
                for tid, cpu in busiest))
        other_cpu = sum(run.cpu_at_ok.values()) - main_cpu
        server_cpu = run.server_cpu_at_ok - run.server_cpu_at_start
        return {"update": run.update_ok_at - list_end, "peak": run.peak_kib / 1024,
                "fetched": last_package - list_end, "main_cpu": main_cpu, "other_cpu": other_cpu,
                "server_cpu": server_cpu}
    finally:
        run.kill()


def settle():
    """Writes the previous step left (thousands of removed or copied files)
    reach the disk before the next step's clock starts, not during it."""
    os.sync()
    time.sleep(0.5)


def wine_time(env, args, cwd):
    start = time.monotonic()
    result = subprocess.run([env["WINE_LOADER"], *args], cwd=cwd, env=env, capture_output=True,
                            timeout=STEP_TIMEOUT_S)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (args[0], result.stderr.decode("utf-8", "replace")[-500:]))
    return time.monotonic() - start, result.stdout.decode()


def prepare_curl(work, curl_exe, info, site, env):
    """The curl floor's folder and arguments; returns a function that runs it."""
    out = os.path.join(work, "curl-out")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    shutil.copy(os.path.join(fixtures.state_dir(), "ca.pem"), os.path.join(out, "ca.pem"))
    with open(os.path.join(out, "urls.txt"), "w") as f:
        for path in info["packages"]:
            name = os.path.basename(path)
            f.write('url = "%s"\noutput = "%s"\n' % (site.url("/res/" + name, "https"), name))
    startup, _ = wine_time(env, [curl_exe, "--version"], out)

    def run():
        elapsed, _ = wine_time(env, [curl_exe, "-s", "-S", "-f", "--parallel", "--parallel-max", "8",
                                     "--cacert", "ca.pem", "-K", "urls.txt"], out)
        for path in info["packages"]:
            assert os.path.getsize(os.path.join(out, os.path.basename(path))) == os.path.getsize(path)
        return max(elapsed - startup, 0.001)
    return run


def bench_curl(work, curl_exe, info, site, env):
    run = prepare_curl(work, curl_exe, info, site, env)
    settle()
    return run()


def prepare_unzip(work, unzip_exe, info, env, record=False):
    """The plain unpack; with record, also the per-package zip removal and
    serial record, on copies of the zips (made before the clock starts).
    Returns a function that runs it."""
    area = os.path.join(work, "unzip-area")
    shutil.rmtree(area, ignore_errors=True)
    dest = os.path.join(area, "Resources")
    os.makedirs(dest)
    zips = info["packages"]
    if record:
        downloads = os.path.join(area, "Downloads")
        os.makedirs(downloads)
        zips = [shutil.copy(p, downloads) for p in zips]
    listing = os.path.join(work, "unzip-list.txt")
    with open(listing, "w") as f:
        f.write("".join(to_windows(p) + "\n" for p in zips))
    args = [unzip_exe, to_windows(dest) + "\\", to_windows(listing)] + (["record"] if record else [])

    def run():
        _, out = wine_time(env, args, work)
        if record:
            assert not os.listdir(downloads), "the record floor left zips behind"
            with open(os.path.join(dest, "LocalResSignSn")) as f:
                assert f.read() == "bench %d" % len(zips)
        return float(out.strip().splitlines()[-1]) / 1000.0
    return run


def bench_unzip(work, unzip_exe, info, env, record=False):
    run = prepare_unzip(work, unzip_exe, info, env, record)
    settle()
    return run()


def bench_both(work, curl_exe, unzip_exe, info, site, env):
    """The curl floor and the unpack floor with the per-package work started
    together: what the host's pipeline costs when its downloads and its
    unpacking share the one wineserver, each part doing no more than its floor."""
    runs = [prepare_curl(work, curl_exe, info, site, env), prepare_unzip(work, unzip_exe, info, env, record=True)]
    times = [None, None]

    def measure(k):
        times[k] = runs[k]()
    settle()
    threads = [threading.Thread(target=measure, args=(k,)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if None in times:
        raise RuntimeError("a floor of the overlapped run failed")
    return max(times)


def median(values):
    return statistics.median(values) if values else float("nan")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=benchbuild.default_build("test"),
                        help="a test build (its PATCH_SERVER_HOST the fixture server, configured with the same "
                             "HOST_FIXTURE_PORT_BASE as this shell) with bin/GameHost.exe and test-env/; "
                             "default: the one that runs at native speed here")
    parser.add_argument("--sets", default="big,many,entries")
    parser.add_argument("--quick", action="store_true", help="a quarter of each data set")
    parser.add_argument("--runs", type=int, default=1, help="measurements of each set (medians are shown)")
    parser.add_argument("--show", metavar="PREFIX", help="print the host's log lines that begin with PREFIX")
    parser.add_argument("--exe", action="append", default=[],
                        help="compare this host executable too (repeatable): each run measures every one in turn")
    parser.add_argument("--scratch", metavar="DIR",
                        help="put the game and floor folders under DIR/bench-update (e.g. /dev/shm) instead of the build")
    args = parser.parse_args()
    if not 1 <= args.runs <= 20:
        sys.exit("--runs takes 1 to 20")
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
    scratch = os.path.join(os.path.abspath(args.scratch), "bench-update") if args.scratch else work
    os.makedirs(scratch, exist_ok=True)

    q = 4 if args.quick else 1
    sets = {"big": lambda: make_set(work, "big%d" % q, 64 // q, 4 * MiB),
            "many": lambda: make_set(work, "many%d" % q, 1000 // q, 64 * 1024, entries_per_package=2),
            "entries": lambda: make_set(work, "entries%d" % q, 1, 0, one_package_entries=20000 // q)}
    curl_exe = ensure_curl_exe(tools, arch)
    unzip_exe = ensure_unzip_exe(tools, arch)
    log("port base %d, load average %s" % (fixture_server.PORT_BASE, " ".join(open("/proc/loadavg").read().split()[:3])))
    fixture_server.start()
    site = fixtures.Site("bench")
    results = {}
    try:
        for run_index in range(args.runs):
            for name in args.sets.split(","):
                info = sets[name]()
                log("%s run %d: %d package(s), %.1f MiB" % (name, run_index + 1, len(info["packages"]),
                                                            info["bytes"] / MiB))
                # The build's own host and the others, first and last in turn, so
                # that neither side always runs on a warmer machine.
                hosts = [None] + args.exe
                if run_index % 2:
                    hosts.reverse()
                for exe in hosts:
                    o = bench_update(build, scratch, info, site, env, args.show, exe=exe)
                    if exe is None:
                        m = o
                        continue
                    key = os.path.basename(exe)
                    results.setdefault((name, key), []).append(o)
                    log("  %s: update %.2f s, fetched %.2f s, peak %.1f MiB" % (key, o["update"], o["fetched"], o["peak"]))
                m["curl"] = bench_curl(scratch, curl_exe, info, site, env)
                m["unzip"] = bench_unzip(scratch, unzip_exe, info, env)
                m["unzip_rec"] = bench_unzip(scratch, unzip_exe, info, env, record=True)
                m["both"] = bench_both(scratch, curl_exe, unzip_exe, info, site, env)
                m["ratio"] = m["update"] / max(m["curl"], m["unzip"])
                m["ratio_rec"] = m["update"] / max(m["curl"], m["unzip_rec"])
                m["ratio_both"] = m["update"] / m["both"]
                m["info"] = info
                results.setdefault(name, []).append(m)
                log("  update %.2f s, curl %.2f s, unzip %.2f s, unzip+record %.2f s, both %.2f s, ratio %.2f / %.2f / %.2f" %
                    (m["update"], m["curl"], m["unzip"], m["unzip_rec"], m["both"], m["ratio"], m["ratio_rec"],
                     m["ratio_both"]))
    finally:
        site.drop()
        fixture_server.stop()
        if scratch != work:
            shutil.rmtree(scratch, ignore_errors=True)
        subprocess.run([wine_env_sh, "cleanup", test_env, loader], check=False)

    print()
    print("build: " + benchbuild.describe(build) + "; folders under " + scratch)
    print("medians of %d run(s); load average now %s" % (args.runs, " ".join(open("/proc/loadavg").read().split()[:3])))
    head = ("set", "pkgs", "MiB", "update s", "fetched s", "MiB/s", "peak MiB", "main cpu", "other cpu", "wsrv cpu",
            "curl x8 s", "unzip s", "unzip+rec", "both s", "ratio", "ratio+rec", "ratio+both")
    print("%-8s %5s %6s %9s %9s %7s %8s %8s %9s %8s %9s %8s %9s %7s %6s %9s %10s" % head)
    for name, ms in results.items():
        if isinstance(name, tuple):
            continue
        info = ms[0]["info"]
        med = {k: median([m[k] for m in ms]) for k in ms[0] if k != "info"}
        print("%-8s %5d %6.1f %9.2f %9.2f %7.1f %8.1f %8.2f %9.2f %8.2f %9.2f %8.2f %9.2f %7.2f %6.2f %9.2f %10.2f" % (
            name, len(info["packages"]), info["bytes"] / MiB, med["update"], med["fetched"],
            info["bytes"] / MiB / med["update"], med["peak"], med["main_cpu"], med["other_cpu"], med["server_cpu"],
            med["curl"], med["unzip"], med["unzip_rec"], med["both"], med["ratio"], med["ratio_rec"],
            med["ratio_both"]))
    for key, ms in results.items():
        if not isinstance(key, tuple):
            continue
        name, exe = key
        base = results[name]
        floor = [max(b["curl"], b["unzip"]) for b in base]
        floor_rec = [max(b["curl"], b["unzip_rec"]) for b in base]
        floor_both = [b["both"] for b in base]
        print("%-8s %s: update %.2f s, fetched %.2f s, peak %.1f MiB, ratio %.2f, ratio+rec %.2f, ratio+both %.2f" % (
            name, exe, median([m["update"] for m in ms]), median([m["fetched"] for m in ms]),
            median([m["peak"] for m in ms]), median([m["update"] / f for m, f in zip(ms, floor)]),
            median([m["update"] / f for m, f in zip(ms, floor_rec)]),
            median([m["update"] / f for m, f in zip(ms, floor_both)])))
    print("fetched s: from the list answer to the end of the last package transfer")
    print("main/other cpu: processor seconds of the host's main thread and of its other threads up to 'update ok';")
    print("wsrv cpu: the wineserver's over the same time")
    print("unzip+rec: the unpack plus, per package, the zip's removal and the serial record (temporary file, move)")
    print("both: curl x8 and unzip+rec started together, sharing the wineserver as the host's threads do")
    print("ratio = update / max(curl x8, unzip); ratio+rec = update / max(curl x8, unzip+rec);")
    print("ratio+both = update / both; goal <= 1.15")


if __name__ == "__main__":
    main()
