"""Host start-up seen from outside: folders, configuration dump, window size,
DPI rule, position, debug log file, exit code."""

import json
import os
import re
import shutil
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))

import fixtures  # noqa: E402
import hostrun  # noqa: E402
from hostrun import Host, Scratch, to_windows_path  # noqa: E402

WS_EX_ACCEPTFILES = 0x10
VIETNAMESE_FOLDER = "Tr\u00f2 ch\u01a1i H\u1ea3i V\u00e2n"
WARMUP_LINE = r"^\[ZAVU\] TLS warm-up 127\.0\.0\.1:%d: (\d+) ms .*CURLcode=(\d+)(.*)$" % fixtures.PATCH_PORT
RELOGIN_ANSWER = '{"code":"1000","userid":"u1","sign":"s1","timestamp":"t1","rt":"rt-new"}'
# The game asks for the silent re-login with the refresh token saved before;
# the callback comes first in the arguments' table.
RELOGIN_MAIN = (
    'zavu_native("PlatformQolavi", "loginTelegramSilent", {function(result)\n'
    '  release_print("relogin: " .. result)\n'
    'end})\n')


def dump_value(host, key):
    return host.wait_for_line(r"^    %s: (.*)$" % key).group(1)


class StartupScenarios(unittest.TestCase):
    def scratch(self):
        s = Scratch(self.id().split(".")[-1])
        self.addCleanup(s.cleanup)
        return s

    def start(self, game, args=(), **kw):
        host = Host(game, args, **kw)
        self.addCleanup(host.kill)
        return host

    def test_defaults_without_arguments_or_config(self):
        game = self.scratch().install_host()
        host = self.start(game)
        win_game = to_windows_path(game) + "\\"
        host.wait_for_line(r"^Project Config:$")
        self.assertEqual(dump_value(host, "project dir"), win_game)
        self.assertEqual(dump_value(host, "writable path"), win_game + "data\\")
        self.assertEqual(dump_value(host, "frame size"), "960 x 640")
        self.assertEqual(dump_value(host, "write debug log"), "NO (NO)")
        self.assertEqual(dump_value(host, "debugger"), "none")
        host.wait_for_line(r"^" + re.escape(win_game + "data\\") + r"$")
        index = host.lines.index("==write path==")
        self.assertEqual(host.lines[index + 1], win_game + "data\\")
        self.assertEqual(host.window(), (960, 640, 0, 0))
        self.assertEqual(host.close(), 0)
        self.assertFalse(os.path.exists(os.path.join(game, "debug.log")))

    def test_config_json_sets_size_and_orientation(self):
        s = self.scratch()
        game = s.install_host()
        s.write("game/config.json", json.dumps({"init_cfg": {"width": 1024, "height": 768, "isLandscape": False}}))
        host = self.start(game)
        self.assertEqual(dump_value(host, "frame size"), "768 x 1024")
        self.assertEqual(host.window()[:2], (768, 1024))
        self.assertEqual(host.close(), 0)

    def test_dpi_144_zooms_only_with_retina_display(self):
        s = self.scratch()
        game = s.install_host()
        prefix = s.clone_prefix()
        hostrun.set_dpi(prefix, 144)
        cases = [
            ((), (960, 640)),  # the zoom of 1.5 is replaced by the frame scale 1.0
            (("-retina-display",), (1440, 960)),  # the frame itself grows; a lone option is no project folder
        ]
        for args, client in cases:
            with self.subTest(args=args):
                host = self.start(game, args, prefix=prefix)
                self.assertEqual(dump_value(host, "project dir"), to_windows_path(game) + "\\")
                self.assertEqual(host.window()[:2], client)
                self.assertEqual(host.close(), 0)

    def test_position_moves_window_only_when_both_coordinates_are_set(self):
        game = self.scratch().install_host()
        for value, corner in [("100,50", (100, 50)), ("100,0", (0, 0)), ("0,100", (0, 0))]:
            with self.subTest(position=value):
                host = self.start(game, ("-position", value))
                client_w, client_h, left, top = host.window()
                self.assertEqual((client_w, client_h), (960, 640))
                self.assertEqual((left, top), corner)
                self.assertEqual(host.close(), 0)

    def test_lone_folder_argument_is_the_project_and_writable_folder(self):
        s = self.scratch()
        game = s.install_host()
        s.write("project/config.json", json.dumps({"init_cfg": {"width": 800, "height": 600}}))
        project = s.path("project")
        host = self.start(game, (project,))
        expected = project.replace("/", "\\") + "\\"
        self.assertEqual(dump_value(host, "project dir"), expected)
        self.assertEqual(dump_value(host, "writable path"), expected)
        self.assertEqual(dump_value(host, "debugger"), "Cocos Code IDE")
        self.assertEqual(host.window()[:2], (800, 600))
        self.assertEqual(host.close(), 0)

    def test_slash_folder_with_more_options_only_locates_config(self):
        s = self.scratch()
        game = s.install_host()
        s.write("project/config.json", json.dumps({"init_cfg": {"width": 800, "height": 600}}))
        host = self.start(game, (s.path("project"), "-scale", "2"))
        self.assertEqual(dump_value(host, "project dir"), to_windows_path(game) + "\\")
        self.assertEqual(dump_value(host, "frame scale"), "2.00")
        self.assertEqual(host.window()[:2], (1600, 1200))
        self.assertEqual(host.close(), 0)

    def test_write_debug_log_truncates_file_in_project_folder(self):
        s = self.scratch()
        game = s.install_host()
        s.write("game/host.log", "old content\n")
        host = self.start(game, ("-write-debug-log", "host.log"))
        self.assertEqual(dump_value(host, "write debug log"),
                         "%s (YES)" % (to_windows_path(game) + "\\host.log"))
        host.window()
        with open(os.path.join(game, "host.log"), "rb") as f:
            self.assertEqual(f.read(), b"")
        self.assertEqual(host.close(), 0)

    def test_explicit_writable_path_is_kept(self):
        s = self.scratch()
        game = s.install_host()
        saves = to_windows_path(s.path("saves"))
        host = self.start(game, ("-writable-path", saves))
        self.assertEqual(dump_value(host, "project dir"), to_windows_path(game) + "\\")
        host.wait_for_line(r"^==write path==$")
        self.assertIn(saves + "\\", host.lines)
        self.assertEqual(host.close(), 0)

    def test_empty_lone_argument_is_no_project_folder(self):
        game = self.scratch().install_host()
        host = self.start(game, ("",))
        self.assertEqual(dump_value(host, "project dir"), to_windows_path(game) + "\\")
        self.assertEqual(dump_value(host, "debugger"), "none")
        self.assertEqual(host.close(), 0)

    def test_started_from_another_folder(self):
        # A shortcut or a launcher may start the host in any folder: the game
        # folder is still the one beside the executable, and so is its config.json.
        s = self.scratch()
        game = s.install_host()
        s.write("game/config.json", json.dumps({"init_cfg": {"width": 800, "height": 600, "isLandscape": False}}))
        s.write("game/src/main.lua", 'local f = io.open("src/main.lua", "rb")\n'
                                      'release_print("relative read: " .. tostring(f ~= nil))\n')
        s.write("elsewhere/config.json", json.dumps({"init_cfg": {"width": 1024, "height": 768}}))
        for args in [(), (to_windows_path(game),)]:  # no argument, and a lone folder given as Windows writes it
            with self.subTest(args=args):
                host = self.start(game, args, cwd=s.path("elsewhere"))
                self.assertEqual(dump_value(host, "project dir"), to_windows_path(game) + "\\")
                self.assertEqual(dump_value(host, "frame size"), "600 x 800")
                self.assertEqual(host.wait_for_line(r"^\[LUA-print\] relative read: (.*)$").group(1), "true",
                                 "the game folder is the current directory")
                self.assertEqual(host.window()[:2], (600, 800))
                exstyle = int(re.search(r"exstyle=0x([0-9a-f]+)", host.probe("exstyle").stdout).group(1), 16)
                self.assertTrue(exstyle & WS_EX_ACCEPTFILES, "the game window takes dropped files")
                self.assertEqual(host.close(), 0)

    def test_vietnamese_install_folder(self):
        s = self.scratch()
        game = s.install_host("Tr\u00f2 ch\u01a1i H\u1ea3i V\u00e2n")
        host = self.start(game, ("-write-debug-log", "nh\u1eadt k\u00fd.log"))
        win_game = to_windows_path(game) + "\\"
        self.assertEqual(dump_value(host, "project dir"), win_game)
        host.wait_for_line(r"^==write path==$")
        self.assertIn(win_game + "data\\", host.lines)
        host.window()
        self.assertTrue(os.path.exists(os.path.join(game, "nh\u1eadt k\u00fd.log")))
        self.assertEqual(host.close(), 0)

    def test_vietnamese_install_folder_warms_up_and_logs_in_again(self):
        # Installed in a folder whose name the ANSI code page cannot spell, the
        # warm-up and the re-login still verify the server against the bundle.
        service = fixtures.PortSite(fixtures.RELOGIN_PORT)
        self.addCleanup(service.drop)
        for bundle, warmup_ok, result in [("ca.pem", True, "success|u1|s1|t1|u1"),
                                          ("other-ca.pem", False, "faild")]:
            with self.subTest(bundle=bundle):
                s = self.scratch()
                game = s.install_host(VIETNAMESE_FOLDER)
                shutil.copy(os.path.join(fixtures.state_dir(), bundle), os.path.join(game, "cacert.pem"))
                s.write(VIETNAMESE_FOLDER + "/src/main.lua", RELOGIN_MAIN)
                # A plain saved login, as an older version left it: read and protected on first use.
                s.write(VIETNAMESE_FOLDER + "/data/zavu_login.txt", "tg_rt=rt-old\n")
                service.set({"/app_relogin.php": {"body": RELOGIN_ANSWER}})
                host = self.start(game, debug="-all,+debugstr")
                self.assertEqual(host.wait_for_line(r"^\[LUA-print\] relogin: (.*)$").group(1), result)
                warmup = host.wait_for_debug(WARMUP_LINE)
                self.assertEqual(warmup.group(3), "", "the bundle's path was formed")
                if warmup_ok:
                    self.assertEqual(warmup.group(2), "0")
                    self.assertEqual([e["body"] for e in service.log()], ["rt=rt-old"])
                else:
                    self.assertNotEqual(warmup.group(2), "0", "a server outside the bundle is refused")
                    self.assertEqual(service.log(), [], "no request may pass a refused handshake")
                self.assertEqual(host.close(), 0)


if __name__ == "__main__":
    hostrun.run_cases(["StartupScenarios." + name for name in sys.argv[1:]])
