"""The update scene as a player sees it: the real host under wine and Xvfb,
its window's pixels read from the screen while an update runs against the
fixture server. The window is portrait, the design area halved (375 x 667),
so that every part of the scene is on screen, and it is alone on a display of
its own: the other tests' windows, on the shared display, never cover it."""

import os
import random
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))

import fixtures  # noqa: E402
import hostrun  # noqa: E402
from fixtures import Site  # noqa: E402
from hostrun import CONFIG_PORTRAIT, HERE_SOURCE, Host, PrivateDisplay, Scratch  # noqa: E402

MAIN_LUA = 'release_print("scenario game started")\n'
GAME_STARTED = r"^\[LUA-print\] scenario game started$"
POSITION = "1560,100"  # away from the screen's origin, so the capture must follow the window
SCALE = 0.5  # client pixels per design unit


def design_to_client(x, y):
    """A design point (750 x 1334, y up) in the 375 x 667 client area (y down)."""
    return int(x * SCALE), int((1334 - y) * SCALE)


class Shot:
    """The client area's pixels, from the screen."""

    def __init__(self, env, origin, size):
        w, h = size
        # xwd walks the display's window tree while it grabs, and fails with
        # BadWindow or BadDrawable when a window goes away meanwhile. The
        # display is the scenario's own, so only the host's own windows could:
        # a few tries.
        for _ in range(5):
            grab = subprocess.run(["xwd", "-root", "-silent", "-display", env["DISPLAY"]], capture_output=True)
            if grab.returncode == 0:
                break
            time.sleep(0.1)
        assert grab.returncode == 0, "xwd: %s" % grab.stderr.decode("utf-8", "replace")
        xwd = grab.stdout
        ppm = subprocess.run(["convert", "xwd:-", "-crop", "%dx%d+%d+%d" % (w, h, origin[0], origin[1]), "+repage",
                              "ppm:-"], input=xwd, capture_output=True, check=True).stdout
        m = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+255\s", ppm)
        assert m and (int(m.group(1)), int(m.group(2))) == (w, h), ppm[:32]
        self.w, self.h = w, h
        self.data = ppm[m.end():]
        self.png = subprocess.run(["convert", "ppm:-", "png:-"], input=ppm, capture_output=True, check=True).stdout

    def at(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, test, left, top, right, bottom):
        return sum(1 for y in range(top, bottom) for x in range(left, right) if test(self.at(x, y)))

    def run_length(self, test, y, left, right):
        """How far from `left` the pixels of row y pass test (the bar's fill)."""
        n = 0
        for x in range(left, right):
            if not test(self.at(x, y)):
                break
            n += 1
        return n

    def save(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(self.png)


def green(p):
    r, g, b = p
    return g > 120 and g > r + 50 and g > b + 30


def white(p):
    return min(p) > 200


def black(p):
    return max(p) < 40


def near(p, colour, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(p, colour))


class UpdateSceneScenarios(unittest.TestCase):
    def setUp(self):
        self.scratch = Scratch(self.id().split(".")[-1])
        self.addCleanup(self.scratch.cleanup)
        self.site = Site(self.id().split(".")[-1])
        self.addCleanup(self.site.drop)
        self.dir = self.scratch.install_host()
        self.write("src/main.lua", MAIN_LUA)
        self.write("config.json", CONFIG_PORTRAIT)
        self.write("vexa/gateway", self.site.url("/gateway") + "\n")
        fixtures.install_ca(self.dir)

    def write(self, relative, data):
        return hostrun.write_file(self.dir, relative, data)

    def start(self):
        display = PrivateDisplay()
        self.addCleanup(display.close)
        host = Host(self.dir, ("-position", POSITION), display=display.name)
        self.addCleanup(host.kill)
        host.wait_for_line(r"^==write path==$")
        out = host.probe("wait", "20000").stdout
        m = re.search(r"client=(\d+)x(\d+) .* origin=(-?\d+),(-?\d+)", out)
        self.assertTrue(m, out)
        self.size = (int(m.group(1)), int(m.group(2)))
        self.assertEqual(self.size, (375, 667))
        self.origin = (int(m.group(3)), int(m.group(4)))
        self.host = host
        return host

    def shot(self):
        return Shot(self.host.env, self.origin, self.size)

    def close(self):
        self.host.wait_for_line(GAME_STARTED)
        self.assertEqual(self.host.close(), 0)

    def test_demo_screen_background_label_and_growing_pill(self):
        shutil.copytree(os.path.join(HERE_SOURCE, "demo", "game", "autoupdate"), os.path.join(self.dir, "autoupdate"))
        self.write("vexa/ResSignSn", "vx 0")
        payload = random.Random(7).randbytes(480 * 1024)
        package = fixtures.build_zip(self.scratch.path("built", "p1.zip"), [("res/blob.bin", payload)])
        self.site.set({
            "/gateway": {"body": '{"Res": "%s"}' % self.site.url("/res/list.json")},
            "/res/list.json": {"body": fixtures.resource_list("vx", [(1, "p1.zip", package, None)])},
            # About twelve seconds of download, for several looks at the bar
            # even when the machine is busy and each look is slow.
            "/res/p1.zip": {"body_file": self.scratch.path("built", "p1.zip"), "rate": 40 * 1024},
        })
        host = self.start()
        host.wait_for_line(r"^get remote list\.json$")

        # The pill's middle row and left end (the scene's shares of the background).
        pill_left, pill_row = design_to_client(0.125 * 750, 0.06953125 * 1334 + 0.017708333 * 1334 / 2)
        pill_full = 0.75555557 * 750 * SCALE
        widths, shots = [], []
        while not any(l == "update ok" for l in host.lines):
            shot = self.shot()
            widths.append(shot.run_length(green, pill_row, pill_left + 1, self.size[0]))
            shots.append(shot)
            time.sleep(0.3)
            self.assertLess(len(widths), 200, "the update did not end")
        growing = [w for w in widths if w > 0]
        self.assertGreaterEqual(len(set(growing)), 3, widths)
        self.assertEqual(growing, sorted(growing), "the bar never goes back: %s" % widths)
        self.assertLess(growing[0], pill_full * 0.6, widths)

        middle = shots[widths.index(growing[len(growing) // 2])]
        middle.save(os.path.join(hostrun.BUILD_DIR, "scenario-shots", "update-screen.png"))
        # The background art, scaled to cover: its moon, its night sky.
        moon = middle.at(*design_to_client(560, 1334 - 300))
        self.assertTrue(min(moon) > 180 and moon[0] >= moon[2], moon)
        sky = middle.at(*design_to_client(40, 1300))
        self.assertTrue(sky[2] > sky[0] and max(sky) < 120, sky)
        # The status label: white glyphs with a black outline, centred above the pill.
        _, label_row = design_to_client(375, 0.15 * 1334)
        band = (10, label_row - 12, 365, label_row + 12)
        self.assertGreater(middle.count(white, *band), 40)
        self.assertGreater(middle.count(black, *band), 40)
        left_half = middle.count(white, 10, band[1], 187, band[3])
        right_half = middle.count(white, 187, band[1], 365, band[3])
        self.assertGreater(min(left_half, right_half), 10, "centred text")

        # Finished: a full pill, and the label stays for the game's start.
        time.sleep(0.5)
        done = self.shot()
        self.assertGreater(done.run_length(green, pill_row, pill_left + 1, self.size[0]), pill_full - 6)
        self.assertGreater(done.count(white, *band), 40)
        self.close()

    def test_pill_share_with_totals_past_4_gib(self):
        # The list states sizes the packages do not have (they are only summed
        # for the progress): 1 GiB and twice the largest 32-bit size, 5 GiB in all.
        shutil.copytree(os.path.join(HERE_SOURCE, "demo", "game", "autoupdate"), os.path.join(self.dir, "autoupdate"))
        self.write("vexa/ResSignSn", "vx 0")
        sizes = [1 << 30, 2 ** 31 - 1, 2 ** 31 - 1]
        packages = []
        for n, size in enumerate(sizes, 1):
            data = random.Random(n).randbytes(160 * 1024 if n == 3 else 1024)
            packages.append((n, "p%d.zip" % n, fixtures.build_zip(self.scratch.path("built", "p%d.zip" % n),
                                                                 [("res/%d.bin" % n, data)]), size))
        routes = {"/res/p%d.zip" % n: {"body_file": self.scratch.path("built", "p%d.zip" % n)} for n in (1, 2, 3)}
        # Eight seconds or so for the last, to look at the bar while it downloads.
        routes["/res/p3.zip"]["rate"] = 20 * 1024
        routes["/gateway"] = {"body": '{"Res": "%s"}' % self.site.url("/res/list.json")}
        routes["/res/list.json"] = {"body": fixtures.resource_list("vx", packages)}
        self.site.set(routes)
        host = self.start()
        record = os.path.join(self.dir, "data", "auc", "Resources", "LocalResSignSn")

        def applied():
            try:
                with open(record) as f:
                    return f.read() == "vx 2"
            except OSError:
                return False

        deadline = time.monotonic() + 30
        while not applied():
            self.assertLess(time.monotonic(), deadline, "the first two packages were not unpacked")
            time.sleep(0.1)
        pill_left, pill_row = design_to_client(0.125 * 750, 0.06953125 * 1334 + 0.017708333 * 1334 / 2)
        pill_full = 0.75555557 * 750 * SCALE
        # 3 of 5 GiB downloaded and unpacked: both halves of the bar at three
        # fifths, 60 %, for as long as the last package downloads.
        widths = []
        for _ in range(5):
            time.sleep(0.3)
            widths.append(self.shot().run_length(green, pill_row, pill_left + 1, self.size[0]))
        self.assertFalse(any(l == "update ok" for l in host.lines), "the last package came too soon to look")
        for width in widths:
            self.assertAlmostEqual(width, pill_full * 0.6, delta=4, msg="pill widths %s of %.0f" % (widths, pill_full))
        host.wait_for_line(r"^update ok$", timeout=60)
        time.sleep(0.5)
        self.assertGreater(self.shot().run_length(green, pill_row, pill_left + 1, self.size[0]), pill_full - 6)
        self.close()

    def test_without_art_colour_layer_plain_bar_and_alert_above_all(self):
        # Only the alert's images: no layout, no background, no pill image.
        os.makedirs(os.path.join(self.dir, "autoupdate"))
        for name in ("alert_bg.png", "alert_btn.png", "alert_btn_down.png"):
            shutil.copy(os.path.join(HERE_SOURCE, "demo", "game", "autoupdate", name),
                        os.path.join(self.dir, "autoupdate", name))
        self.site.set({"/gateway": {"sequence": [{"status": 503, "body": "busy"}, {"body": "{}"}]}})
        host = self.start()
        host.wait_for_line(r"rc:503")
        time.sleep(0.5)
        shot = self.shot()
        # No background: the colour layer; the plain bar's track darker on it.
        self.assertTrue(near(shot.at(8, 8), (20, 20, 80)), shot.at(8, 8))
        track = shot.at(*design_to_client(375 - 200, 96 + 10))
        self.assertTrue(near(track, (10, 10, 41), 8), track)
        # No layout: the alert sits on the scene above everything, its box
        # drawn at the centre.
        box = shot.at(*design_to_client(375 - 250, 667 + 100))
        self.assertTrue(min(box) > 190 and box[0] > box[2], box)

        hostrun.probe("click", hostrun.GAME_TITLE, host.windows_exe, *map(str, design_to_client(375, 667 - 145)))
        host.wait_for_line(r"^gateway no 'Res'\. skip update\.$")
        time.sleep(0.5)
        after = self.shot()
        self.assertTrue(near(after.at(*design_to_client(375 - 250, 667 + 100)), (20, 20, 80)), "the popup is gone")
        # The end of the update fills the plain bar.
        fill = after.at(*design_to_client(375 + 200, 96 + 10))
        self.assertTrue(green(fill), fill)
        self.close()


if __name__ == "__main__":
    fixtures.require_server()
    hostrun.run_cases(["UpdateSceneScenarios." + a for a in sys.argv[1:]])
