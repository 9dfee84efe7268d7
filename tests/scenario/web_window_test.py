"""The web window from the game's side: the real host, the game's main script
calling zavu_openPayWebView, and the WebView2 test double beside the
executable (or no loader at all)."""

import os
import sys
import unittest

from hostrun import BUILD_DIR, Host, Scratch, probe, write_file

WEB_TITLE = "N\u1ea1p th\u1ebb - H\u1ea3i V\u00e2n Truy\u1ec7n"
DOUBLE_DLL = os.path.join(BUILD_DIR, "webwindow-tests", "WebView2Loader.dll")
MAIN = (
    'release_print("no url " .. tostring(zavu_openPayWebView()))\n'
    'release_print("opened " .. tostring(zavu_openPayWebView("https://pay.example.test/a", "__shop")))\n'
)


class WebWindowScenarios(unittest.TestCase):
    def start(self, with_loader):
        s = Scratch(self.id().split(".")[-1])
        self.addCleanup(s.cleanup)
        game = s.install_host()
        write_file(game, "src/main.lua", MAIN)
        if with_loader:
            with open(DOUBLE_DLL, "rb") as f:
                write_file(game, "WebView2Loader.dll", f.read())
        host = Host(game)
        self.addCleanup(host.kill)
        return host

    def web_probe(self, host, verb, *args):
        return probe(verb, WEB_TITLE, host.windows_exe, *args, env=host.env)

    def test_lua_opens_the_window_on_the_loader_beside_the_host(self):
        host = self.start(with_loader=True)
        host.wait_for_line(r"^\[LUA-print\] opened true$", timeout=90)
        self.assertIn("[LUA-print] no url false", host.lines)
        shown = self.web_probe(host, "wait", "20000").stdout
        self.assertIn("visible=1", shown)
        texts = self.web_probe(host, "texts").stdout.splitlines()
        self.assertEqual(sorted(texts), sorted(["V\u1ec1 game", "Quay l\u1ea1i", "Trang ch\u1ee7"]))
        # Closing hides the window; it stays for the next opening.
        self.web_probe(host, "close")
        self.assertIn("visible=0", self.web_probe(host, "wait", "20000").stdout)
        self.assertEqual(host.close(), 0)

    def test_without_a_loader_lua_gets_false_and_no_window(self):
        host = self.start(with_loader=False)
        host.wait_for_line(r"^\[LUA-print\] opened false$", timeout=90)
        self.web_probe(host, "absent", "2000")
        self.assertEqual(host.close(), 0)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + ["WebWindowScenarios." + name for name in sys.argv[1:]], verbosity=2)
