"""The host's window procedure seen from outside: debug-log lines sent with
WM_COPYDATA, the About box, and a system close."""

import ntpath
import os
import sys
import time
import unittest

import hostrun
from hostrun import Host, Scratch, probe

ABOUT_TITLE = "About Simulator"
SC_CLOSE = 0xF060


class HostActionScenarios(unittest.TestCase):
    def start(self, args=()):
        s = Scratch(self.id().split(".")[-1])
        self.addCleanup(s.cleanup)
        game = s.install_host()
        host = Host(game, args)
        self.addCleanup(host.kill)
        host.window()
        return game, host

    def about(self, host, verb, *args):
        return probe(verb, ABOUT_TITLE, host.windows_exe, *args, env=host.env)

    def test_copydata_lines_reach_the_debug_log_at_once(self):
        game, host = self.start(("-write-debug-log", "debug.log"))
        log = os.path.join(game, "debug.log")

        def contents():
            with open(log, "rb") as f:
                return f.read()

        host.probe("copydata", "1", "abc")
        self.assertEqual(contents(), b"abc\r\n")
        host.probe("copydata", "2", "not a log line")
        host.probe("copydata", "1", "defgh", "nonul")  # no terminator: read within the copied bytes
        host.probe("copydata", "1", "")  # an empty text is a line too
        host.probe("copydata", "1", "", "nonul")  # and so is a message with no bytes at all
        self.assertEqual(contents(), b"abc\r\ndefgh\r\n\r\n\r\n")
        # Flushed while the host still runs. Wine's runtime flushes its stream
        # buffer when a line feed is written into it, so a short line reaches
        # the file flushed or not; a line that fills the 4096-byte buffer leaves
        # its line feed alone in the emptied buffer, where only the flush after
        # each line takes it out.
        full = "x" * 4096
        host.probe("copydata", "1", full)
        self.assertEqual(contents(), b"abc\r\ndefgh\r\n\r\n\r\n" + full.encode() + b"\r\n")
        self.assertEqual(host.close(), 0)

    def test_about_command_opens_the_about_box(self):
        _, host = self.start()
        host.probe("command", "32778", "1")  # an accelerator's high word: nothing opens
        self.assertEqual(self.about(host, "absent", "1500").returncode, 0)

        host.probe("command", "32778", "0")
        self.about(host, "wait", "10000")
        texts = self.about(host, "texts").stdout.splitlines()
        self.assertIn("Cocos Simulator", texts)
        self.assertIn("OK", texts)
        self.about(host, "command", "1", "0")  # IDOK
        self.about(host, "gone", "10000")
        self.assertEqual(host.close(), 0)

    def test_system_close_closes_the_window_normally(self):
        _, host = self.start()
        host.probe("syscommand", str(SC_CLOSE))
        self.assertEqual(host.wait(30), 0)

    def test_relaunch_starts_a_second_instance_at_the_old_position(self):
        s = Scratch("relaunch")
        self.addCleanup(s.cleanup)
        probe_exe = os.environ["RELAUNCH_PROBE_EXE"]
        game = s.install_host(exe=probe_exe)
        host = Host(game, ("-position", "100,50", "-scale", "2"), exe=probe_exe)
        self.addCleanup(host.kill)
        self.assertEqual(host.window()[2:], (100, 50))
        # Moved as a user would before the relaunch: the new instance opens where the window is now.
        out = host.probe("move", "310", "170").stdout
        self.assertIn("window=310,170,", out)
        with open(os.path.join(game, "relaunch-now"), "w"):
            pass
        self.assertEqual(host.wait(60), 0)  # the first instance quits after starting the second
        spawned = os.path.join(game, "spawned.txt")
        deadline = time.monotonic() + 30
        while not os.path.exists(spawned) and time.monotonic() < deadline:
            time.sleep(0.2)
        with open(spawned, encoding="utf-8") as f:
            line = f.read()
        exe = host.windows_exe
        self.assertTrue(line.startswith('"%s" ' % exe), line)  # quoted: install folders may hold blanks
        self.assertIn("-position 310,170", line)
        self.assertIn("-scale 2", line)
        self.assertIn('-workdir "%s\\\\"' % ntpath.dirname(exe), line)


if __name__ == "__main__":
    hostrun.run_cases(["HostActionScenarios." + name for name in sys.argv[1:]])
