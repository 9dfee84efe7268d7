"""The update engine seen from outside: the real host under wine against the
fixture patch server. Each scenario has its own game and writable folder and
checks the files on disk, "LocalResSignSn", the engine log and the engine's
debug-output lines."""

import errno
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))

import fixtures
import hostrun  # noqa: E402
from fixtures import Site, build_zip, corrupt_zip_bytes, md5_upper  # noqa: E402
from hostrun import Host, Scratch  # noqa: E402

SIGN = "vx"
GAME_STARTED = "scenario game started"
MAIN_LUA = 'release_print("%s")\n' % GAME_STARTED





class Game:
    """A game folder with the host, its records and a site on the fixture server."""

    def __init__(self, test, name, shipped="%s 0" % SIGN, folder="game"):
        self.scratch = Scratch(name)
        test.addCleanup(self.scratch.cleanup)
        self.site = Site(name)
        test.addCleanup(self.site.drop)
        self.test = test
        self.dir = self.scratch.install_host(folder)
        self.data = os.path.join(self.dir, "data")
        self.resources = os.path.join(self.data, "auc", "Resources")
        self.downloads = os.path.join(self.data, "auc", "Downloads")
        self.packages = {}
        self.write("src/main.lua", MAIN_LUA)
        self.write("vexa/gateway", self.site.url("/gateway") + "\n")
        if shipped is not None:
            self.write("vexa/ResSignSn", shipped)
        fixtures.install_ca(self.dir)

    def write(self, relative, data):
        return hostrun.write_file(self.dir, relative, data)

    def package(self, name, entries):
        data = build_zip(self.scratch.path("built", name), entries)
        self.packages[name] = self.scratch.path("built", name)
        return data

    def serve(self, items, sign=SIGN, routes=None, list_body=None):
        """items: (serial, name, bytes); every package is served whole unless routes say otherwise."""
        all_routes = {"/gateway": {"body": '{"Res": "%s"}' % self.site.url("/res/list.json")},
                      "/res/list.json": {"body": list_body if list_body is not None
                                         else fixtures.resource_list(sign, [(sn, n, d, None) for sn, n, d in items])}}
        for sn, name, data in items:
            path = self.scratch.path("served", name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            all_routes["/res/" + name] = {"body_file": path}
        for path, route in (routes or {}).items():
            merged = dict(all_routes.get(path, {}))
            merged.update(route)
            all_routes[path] = merged
        self.site.set(all_routes)

    def start(self):
        host = Host(self.dir, debug="-all,+debugstr")
        self.test.addCleanup(host.kill)
        return host

    def record(self):
        path = os.path.join(self.resources, "LocalResSignSn")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read().decode("utf-8")

    def resource(self, relative):
        with open(os.path.join(self.resources, relative), "rb") as f:
            return f.read()

    def package_requests(self, name):
        return self.site.requests_for("/res/" + name)


class SmallDisk:
    """A tmpfs of a few pages mounted on a folder of a scenario (reached by the
    host through wine's Z: drive), to run out of room for real. Unmounted at
    cleanup, before the scenario's folder goes."""

    PAGE = 4096

    def __init__(self, test, folder, pages=64):
        os.makedirs(folder, exist_ok=True)
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d,mode=0777" % (pages * self.PAGE),
                               "tmpfs", folder], capture_output=True, text=True)
        if done.returncode != 0:
            test.skipTest("no tmpfs can be mounted here: %s" % done.stderr.strip())
        test.addCleanup(subprocess.run, ["umount", "-l", folder], capture_output=True)
        self.folder = folder
        self.filler = os.path.join(folder, "filler.bin")

    def fill(self, leave_pages):
        """Fills the disk to the last page, then gives back leave_pages pages."""
        with open(self.filler, "wb", buffering=0) as f:
            chunk = b"\0" * self.PAGE
            try:
                while True:
                    f.write(chunk)
            except OSError as e:
                if e.errno != errno.ENOSPC:
                    raise
        size = os.path.getsize(self.filler)
        os.truncate(self.filler, size - size % self.PAGE - leave_pages * self.PAGE)

    def free(self):
        os.remove(self.filler)


def files_below(folder):
    out = []
    for root, _, names in os.walk(folder):
        out += [os.path.relpath(os.path.join(root, n), folder).replace(os.sep, "/") for n in names]
    return sorted(out)


class UpdateEngineScenarios(unittest.TestCase):
    def finished(self, host, timeout=90):
        host.wait_for_line(r"^update ok$", timeout=timeout)
        host.wait_for_line(re.escape(GAME_STARTED), timeout=30)

    def no_update(self, host):
        host.wait_for_line(r"^no update$", timeout=60)
        host.wait_for_line(re.escape(GAME_STARTED), timeout=30)

    def failed(self, host, pattern):
        text = host.wait_for_debug(pattern).string
        time.sleep(1.5)  # an error never hands over
        self.assertNotIn("update ok", host.lines)
        self.assertNotIn("no update", host.lines)
        self.assertFalse(any(GAME_STARTED in l for l in host.lines), host.log_text())
        return text

    def test_fresh_install_of_several_packages(self):
        g = Game(self, "fresh")
        p1 = g.package("p1.zip", [("ui/", None), ("ui/a.txt", b"A1"), ("b.txt", b"B1")])
        p2 = g.package("p2.zip", [("ui/a.txt", b"A2"), ("deep/er/c.txt", b"C2")])
        p3 = g.package("sub/p3.zip", [("d.txt", b"D3")])
        os.makedirs(os.path.join(g.downloads, "sub"))  # a package name with a folder needs that folder
        g.serve([(1, "p1.zip", p1), (2, "p2.zip", p2), (3, "sub/p3.zip", p3)])
        host = g.start()
        self.finished(host)
        self.assertEqual(g.record(), "vx 3")
        self.assertEqual(g.resource("ui/a.txt"), b"A2")
        self.assertEqual(g.resource("b.txt"), b"B1")
        self.assertEqual(g.resource("deep/er/c.txt"), b"C2")
        self.assertEqual(g.resource("d.txt"), b"D3")
        self.assertEqual(files_below(g.downloads), [])  # every zip is deleted once unpacked
        texts = host.debug_texts()
        unzips = [t for t in texts if t.startswith("unzip '")]
        self.assertEqual(unzips, ["unzip 'p1.zip' (luong rieng)", "unzip 'p2.zip' (luong rieng)",
                                  "unzip 'sub/p3.zip' (luong rieng)"])
        self.assertIn("update to sn 3", texts)
        for name in ("p1.zip", "p2.zip", "sub/p3.zip"):
            (req,) = g.package_requests(name)
            self.assertEqual((req["scheme"], req["port"], req["range"]), ("https", fixtures.PATCH_PORT, None))  # rewritten to TLS
        self.assertIn("get remote list.json", host.lines)
        self.assertIn("RemoteResSignSn: vx  3", host.lines)

    def test_nothing_newer(self):
        g = Game(self, "nothing_newer", shipped="vx 1")
        g.write("data/auc/Resources/LocalResSignSn", "vx 3")
        p = g.package("p3.zip", [("x.txt", b"x")])
        g.serve([(2, "p2.zip", p), (3, "p3.zip", p)])
        host = g.start()
        self.no_update(host)
        self.assertIn("LocalResSignSn: vx 3", host.lines)
        self.assertIn("resource is the new, no update.", host.lines)
        self.assertEqual(g.package_requests("p3.zip"), [])
        self.assertEqual(g.record(), "vx 3")

    def test_shipped_sign_none_removes_both_caches(self):
        for shipped in ("NONE 9", None, " vx 5"):
            with self.subTest(shipped=shipped):
                g = Game(self, "sign_none", shipped=shipped)
                g.write("data/auc/Resources/old.txt", "old")
                g.write("data/auc/Downloads/old.zip", "old")
                g.serve([])
                host = g.start()
                self.no_update(host)
                self.assertIn("ResSignSn is 'NONE', no update.", host.lines)
                self.assertFalse(os.path.exists(g.resources))
                self.assertFalse(os.path.exists(g.downloads))
                self.assertEqual(g.site.requests_for("/res/list.json"), [])
                host.kill()

    def test_stale_local_record_is_wiped_and_reinstalled(self):
        g = Game(self, "stale_local", shipped="vx 5\r\n")
        g.write("data/auc/Resources/LocalResSignSn", "vx 5")
        g.write("data/auc/Resources/leftover.txt", "from an older install")
        p6 = g.package("p6.zip", [("new.txt", b"six")])
        g.serve([(4, "p4.zip", b"never fetched"), (6, "p6.zip", p6)])
        host = g.start()
        self.finished(host)
        self.assertIn("Remove exter caches Resources, Downloads!", host.lines)
        self.assertFalse(os.path.exists(os.path.join(g.resources, "leftover.txt")))
        self.assertEqual(g.resource("new.txt"), b"six")
        self.assertEqual(g.record(), "vx 6")
        self.assertEqual(g.package_requests("p4.zip"), [])  # not above the shipped serial

    def test_different_remote_sign(self):
        g = Game(self, "other_sign")
        g.serve([(1, "p1.zip", b"x")], sign="other")
        host = g.start()
        self.no_update(host)
        self.assertIn("res sign diff('vx'  'other')!", host.lines)
        self.assertEqual(g.package_requests("p1.zip"), [])

    def test_bad_lists_lead_on_to_the_game(self):
        cases = [
            ("not json", "<html>oops</html>", r"^list\.json jsonerr: \d+$"),
            ("empty body", "", r"^list\.json jsonerr: 1$"),
            ("item of 3 values", '{"sign":"vx","xlist":[[1,"p.zip","AB"]]}', r"^remote list\.json formate error!$"),
            ("serial of wrong type", '{"sign":"vx","xlist":[["1","p.zip","AB",3]]}', r"^remote list\.json formate error!$"),
            ("hostile package name", '{"sign":"vx","xlist":[[1,"../../x.zip","AB",3]]}',
             r"^remote list\.json formate error!$"),
            ("root not an object", '[1,2,3]', r"^remote list\.json formate error!$"),
            ("one package file named twice", '{"sign":"vx","xlist":[[1,"p.zip","AB",3],[2,"P.zip","CD",3]]}',
             r"^remote list\.json formate error!$"),
        ]
        for label, body, line in cases:
            with self.subTest(label):
                g = Game(self, "bad_list")
                g.serve([], list_body=body)
                host = g.start()
                host.wait_for_line(line)
                self.no_update(host)
                host.kill()

    def test_list_request_failures_lead_on_to_the_game(self):
        for status in (404, 500, 204):
            with self.subTest(status=status):
                g = Game(self, "list_status")
                g.serve([], routes={"/res/list.json": {"status": status, "body": ""}})
                host = g.start()
                host.wait_for_line(r"^URL 'https://127\.0\.0\.1:%d/s/[^']+/res/list\.json' rc:%d msg:" % (fixtures.PATCH_PORT, status))
                self.no_update(host)
                host.kill()

    def test_missing_and_failing_packages(self):
        for status, message in ((404, "22,404"), (500, "22,500")):
            with self.subTest(status=status):
                g = Game(self, "pkg_status")
                p = g.package("p1.zip", [("a.txt", b"a")])
                g.serve([(1, "p1.zip", p)], routes={"/res/p1.zip": {"status": status}})
                host = g.start()
                text = self.failed(host, r"^Download err EC:")
                self.assertEqual(text, "Download err EC:%s RC:%s URL:%s"
                                 % (message.split(",")[0], status, g.site.url("/res/p1.zip", "https")))
                self.assertFalse(os.path.exists(os.path.join(g.downloads, "p1.zip.temp")))
                self.assertIsNone(g.record())
                host.kill()

    def test_md5_mismatch(self):
        g = Game(self, "md5")
        p = g.package("p1.zip", [("a.txt", b"a")])
        body = fixtures.resource_list(SIGN, [(1, "p1.zip", md5_upper(b"other bytes"), len(p))])
        g.serve([(1, "p1.zip", p)], list_body=body)
        host = g.start()
        self.failed(host, r"^md5 err: 'p1\.zip'$")
        self.assertEqual(files_below(g.downloads), [])  # the mismatching package is removed
        self.assertIsNone(g.record())

    def test_cut_transfer_then_retry_resumes_from_temp(self):
        g = Game(self, "resume")
        payload = bytes((i * 7919) % 256 for i in range(300000))
        p = g.package("p1.zip", [("blob.bin", payload)])
        cut = len(p) // 2
        g.serve([(1, "p1.zip", p)], routes={"/res/p1.zip": {"cut_after": cut}})
        host = g.start()
        # A connection closed early ends with CURLE_PARTIAL_FILE (18) over plain
        # http; over schannel the same cut surfaces as CURLE_RECV_ERROR (56).
        self.failed(host, r"^Download err EC:(18|56) RC:200 ")
        host.kill()
        temp = os.path.join(g.downloads, "p1.zip.temp")
        self.assertEqual(os.path.getsize(temp), cut)

        g.serve([(1, "p1.zip", p)])
        host = g.start()
        self.finished(host)
        last = g.package_requests("p1.zip")[-1]
        self.assertEqual((last["range"], last["status"]), ("bytes=%d-" % cut, 206))
        self.assertEqual(last["sent"], len(p) - cut)
        self.assertEqual(g.resource("blob.bin"), payload)
        self.assertEqual(g.record(), "vx 1")

    def test_server_ignoring_the_range(self):
        # libcurl itself refuses a 200 answer to a resume request (CURLE_RANGE_ERROR),
        # so the temp file goes and the next attempt starts from the first byte.
        # The error alert shows, and its retry downloads afresh.
        payload = os.urandom(20000)
        g = Game(self, "ignore_range")
        g.write("config.json", hostrun.CONFIG_PORTRAIT)  # the retry button at a known point
        p = g.package("p1.zip", [("a.bin", payload)])
        g.write("data/auc/Downloads/p1.zip.temp", p[:1000])
        g.serve([(1, "p1.zip", p)], routes={"/res/p1.zip": {"ranges": False}})
        host = g.start()
        self.failed(host, r"^Download err EC:33 RC:200 ")
        self.assertEqual(g.package_requests("p1.zip")[0]["range"], "bytes=1000-")
        self.assertFalse(os.path.exists(os.path.join(g.downloads, "p1.zip.temp")))
        asked = len(g.site.requests_for("/gateway"))
        host.retry_from_the_alert(lambda: len(g.site.requests_for("/gateway")) > asked)
        self.finished(host)
        self.assertEqual(len(g.package_requests("p1.zip")), 2)
        self.assertEqual(g.package_requests("p1.zip")[-1]["range"], None)
        self.assertEqual(g.resource("a.bin"), payload)

    def test_temp_already_complete_is_used_without_a_request(self):
        # An earlier run got the last byte but not the rename: whatever the
        # server would answer to the range (416, or 200 from one without
        # ranges), the bytes are all there.
        for ranges in (True, False):
            with self.subTest(ranges=ranges):
                g = Game(self, "complete_temp")
                p = g.package("p1.zip", [("a.txt", b"a" * 5000)])
                g.write("data/auc/Downloads/p1.zip.temp", p)
                g.serve([(1, "p1.zip", p)], routes={"/res/p1.zip": {"ranges": ranges}})
                host = g.start()
                self.finished(host)
                self.assertIn("reuse 'p1.zip.temp' (md5 ok, da tai du)", host.debug_texts())
                self.assertEqual(g.package_requests("p1.zip"), [])
                self.assertEqual(g.resource("a.txt"), b"a" * 5000)
                self.assertEqual(g.record(), "vx 1")
                self.assertEqual(files_below(g.downloads), [])
                host.kill()

    def test_temp_longer_than_the_package_gets_416(self):
        g = Game(self, "range_416")
        p = g.package("p1.zip", [("a.txt", b"a" * 5000)])
        g.write("data/auc/Downloads/p1.zip.temp", p + b"bytes of something else")
        g.serve([(1, "p1.zip", p)])
        host = g.start()
        text = self.failed(host, r"^Download err EC:")
        self.assertRegex(text, r"^Download err EC:22 RC:416 ")
        host.kill()
        self.assertEqual(g.package_requests("p1.zip")[0]["range"], "bytes=%d-" % (len(p) + 23))
        self.assertFalse(os.path.exists(os.path.join(g.downloads, "p1.zip.temp")))
        host = g.start()  # the retry downloads from the first byte
        self.finished(host)
        self.assertEqual(g.package_requests("p1.zip")[-1]["range"], None)
        self.assertEqual(g.record(), "vx 1")

    def test_transfers_without_a_new_byte_keep_the_temp(self):
        # A connection that brings nothing, and a transfer still waiting for
        # its answer when another package fails: the bytes already downloaded
        # stay, and the next start resumes after them.
        g = Game(self, "no_new_byte")
        payload = os.urandom(60000)
        p1 = g.package("p1.zip", [("one.bin", payload)])
        p2 = g.package("p2.zip", [("two.bin", payload[::-1])])
        g.write("data/auc/Downloads/p1.zip.temp", p1[:7000])
        g.write("data/auc/Downloads/p2.zip.temp", p2[:9000])
        g.serve([(1, "p1.zip", p1), (2, "p2.zip", p2)],
                routes={"/res/p1.zip": {"refuse": True}, "/res/p2.zip": {"delay": 20}})
        host = g.start()
        # An answer-less close is CURLE_GOT_NOTHING (52) over plain http and a
        # receive error (56) over schannel.
        self.failed(host, r"^Download err EC:(52|56) RC:0 URL:.*/res/p1\.zip$")
        time.sleep(3)  # the waiting transfer ends at its next progress call (libcurl makes one a second at least)
        host.kill()
        with open(os.path.join(g.downloads, "p1.zip.temp"), "rb") as f:
            self.assertEqual(f.read(), p1[:7000])
        with open(os.path.join(g.downloads, "p2.zip.temp"), "rb") as f:
            self.assertEqual(f.read(), p2[:9000])

        g.serve([(1, "p1.zip", p1), (2, "p2.zip", p2)])
        host = g.start()
        self.finished(host)
        self.assertEqual(g.package_requests("p1.zip")[-1]["range"], "bytes=7000-")
        self.assertEqual(g.package_requests("p2.zip")[-1]["range"], "bytes=9000-")
        self.assertEqual(g.resource("one.bin"), payload)
        self.assertEqual(g.resource("two.bin"), payload[::-1])
        self.assertEqual(g.record(), "vx 2")

    def test_complete_package_reused_without_request(self):
        g = Game(self, "reuse")
        p = g.package("p1.zip", [("a.txt", b"reused")])
        g.write("data/auc/Downloads/p1.zip", p)
        g.serve([(1, "p1.zip", p)])
        host = g.start()
        self.finished(host)
        self.assertIn("reuse 'p1.zip' (md5 ok, khoi tai lai)", host.debug_texts())
        self.assertEqual(g.package_requests("p1.zip"), [])
        self.assertEqual(g.resource("a.txt"), b"reused")

    def test_corrupt_zip_and_hostile_entry(self):
        cases = [
            ("corrupt", None, r"^can not open downloaded zip file "),
            ("parent escape", "../../escaped.txt", r"^can not extract unsafe entry name"),
            ("backslash escape", "..\\..\\escaped.txt", r"^can not extract unsafe entry name"),
            ("absolute", "Z:/tmp/escaped.txt", r"^can not extract unsafe entry name"),
        ]
        for label, entry, line in cases:
            with self.subTest(label):
                g = Game(self, "bad_zip")
                if entry is None:
                    data = corrupt_zip_bytes()
                else:
                    data = g.package("p1.zip", [("ok.txt", b"fine"), (entry, b"evil")])
                g.serve([(1, "p1.zip", data)])
                host = g.start()
                host.wait_for_debug(line)
                self.failed(host, r"^unzip err: 'p1\.zip'$")
                self.assertFalse(os.path.exists(os.path.join(g.downloads, "p1.zip")))
                self.assertIsNone(g.record())
                outside = [f for f in files_below(g.scratch.root) if "escaped" in f]
                self.assertEqual(outside, [])
                host.kill()

    def test_killed_during_unpacking_then_started_again(self):
        g = Game(self, "killed")
        small = g.package("p1.zip", [("first.txt", b"1")])
        big = g.package("p2.zip", [("many/%05d.txt" % i, b"%d" % i) for i in range(6000)])
        g.serve([(1, "p1.zip", small), (2, "p2.zip", big)])
        host = g.start()
        host.wait_for_debug(r"^unzip 'p2\.zip' \(luong rieng\)$", timeout=90)
        time.sleep(0.5)  # well inside the thousands of entries
        host.kill()
        self.assertLess(len(files_below(os.path.join(g.resources, "many"))), 6000)  # killed part-way
        self.assertEqual(g.record(), "vx 1")  # never empty, never half written
        self.assertTrue(os.path.exists(os.path.join(g.downloads, "p2.zip")))

        host = g.start()
        self.finished(host, timeout=240)
        self.assertIn("reuse 'p2.zip' (md5 ok, khoi tai lai)", host.debug_texts())
        self.assertEqual(g.record(), "vx 2")
        self.assertEqual(len(files_below(os.path.join(g.resources, "many"))), 6000)
        self.assertEqual(len(g.package_requests("p1.zip")), 1)  # the applied package is not fetched again

    def test_unpacking_order_kept_when_later_package_finishes_first(self):
        g = Game(self, "order")
        p = g.package("p.zip", [("order.txt", b"P"), ("pad.bin", os.urandom(150000))])
        q = g.package("q.zip", [("order.txt", b"Q")])
        r = g.package("r.zip", [("order.txt", b"R")])
        g.serve([(1, "p.zip", p), (2, "q.zip", q), (3, "r.zip", r)],
                routes={"/res/p.zip": {"rate": 60000}})
        host = g.start()
        self.finished(host)
        done = {name: g.package_requests(name)[0] for name in ("p.zip", "q.zip", "r.zip")}
        self.assertTrue(all(e["complete"] for e in done.values()))
        self.assertLess(done["q.zip"]["end"], done["p.zip"]["end"])
        self.assertLess(done["r.zip"]["end"], done["p.zip"]["end"])
        unzips = [t for t in host.debug_texts() if t.startswith("unzip '")]
        self.assertEqual(unzips, ["unzip 'p.zip' (luong rieng)", "unzip 'q.zip' (luong rieng)",
                                  "unzip 'r.zip' (luong rieng)"])
        self.assertEqual(g.resource("order.txt"), b"R")
        self.assertEqual(g.record(), "vx 3")

    def test_closing_the_window_during_eight_downloads_exits_cleanly(self):
        # Detached download workers are still inside their transfers when the
        # window closes and wWinMain returns: nothing they use may be torn
        # down under them. Closed at different points of the start-up of the
        # eight transfers, several times.
        names = ["p%d.zip" % i for i in range(1, 9)]
        g = Game(self, "close_during_downloads")
        items = [(sn, name, g.package(name, [("f%d.bin" % sn, os.urandom(400000))]))
                 for sn, name in enumerate(names, 1)]
        g.serve(items, routes={"/res/" + name: {"rate": 40000} for name in names})
        for attempt, in_flight in enumerate((1, 8, 3, 8, 5, 8, 2, 8), 1):
            with self.subTest(attempt=attempt, in_flight=in_flight):
                hostrun.write_file(g.dir, "data/auc/placeholder", "")  # the folder may be wiped between runs
                for name in names:
                    temp = os.path.join(g.downloads, name + ".temp")
                    if os.path.exists(temp):
                        os.remove(temp)
                host = g.start()
                deadline = time.monotonic() + 60
                while sum(os.path.exists(os.path.join(g.downloads, n + ".temp")) and
                          os.path.getsize(os.path.join(g.downloads, n + ".temp")) > 0 for n in names) < in_flight:
                    self.assertLess(time.monotonic(), deadline, host.log_text())
                    time.sleep(0.05)
                self.assertEqual(host.close(), 0, host.log_text())
                self.assertIsNone(g.record())  # nothing unpacked: every transfer was cut

    def test_full_disk_while_unpacking_keeps_the_zip_and_records_nothing(self):
        # One free page: the package's zip takes it, and the 1000 bytes of its
        # entry find no room. The C runtime buffers them, so only the flush at
        # the close can fail; the serial must not say the package is in.
        g = Game(self, "full_disk")
        disk = SmallDisk(self, os.path.join(g.data, "auc"))
        content = os.urandom(1000)
        p = g.package("p1.zip", [("entry.bin", content)])
        self.assertLess(len(p), SmallDisk.PAGE)
        g.serve([(1, "p1.zip", p)])
        disk.fill(leave_pages=1)
        host = g.start()
        self.failed(host, r"^unzip err: 'p1\.zip'$")
        self.assertTrue(any(re.match(r"^can not write destination file .*Resources/entry\.bin$", t)
                            for t in host.debug_texts()), host.debug_texts())
        host.kill()
        self.assertIsNone(g.record())
        self.assertTrue(os.path.exists(os.path.join(g.downloads, "p1.zip")))  # kept for the next try

        disk.free()
        host = g.start()
        self.finished(host)
        self.assertIn("reuse 'p1.zip' (md5 ok, khoi tai lai)", host.debug_texts())
        self.assertEqual(g.resource("entry.bin"), content)
        self.assertEqual(g.record(), "vx 1")
        self.assertEqual(len(g.package_requests("p1.zip")), 1)

    def test_vietnamese_install_folder(self):
        g = Game(self, "vietnamese", folder="Tr\u00f2 ch\u01a1i H\u1ea3i V\u00e2n")
        p = g.package("p1.zip", [("th\u01b0 m\u1ee5c/t\u1ec7p.txt", b"ok")])
        g.serve([(1, "p1.zip", p)])
        host = g.start()
        self.finished(host)
        self.assertEqual(g.resource("th\u01b0 m\u1ee5c/t\u1ec7p.txt"), b"ok")
        self.assertEqual(g.record(), "vx 1")


if __name__ == "__main__":
    fixtures.require_server()
    hostrun.run_cases(["UpdateEngineScenarios." + a for a in sys.argv[1:]])
