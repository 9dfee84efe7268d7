"""The Lua start-up seen from outside: the demo game starts, an encrypted main
script wins over the plain one, a broken one is a load error, and the game
hears of minimise and restore."""

import os
import shutil
import subprocess
import sys
import unittest

import hostrun
from hostrun import HERE_SOURCE, Host, Scratch, write_file

ENCRYPTED_MAIN = os.environ["ENCRYPTED_MAIN_LUAC"]


class LuaStartupScenarios(unittest.TestCase):
    def game(self, files):
        s = Scratch(self.id().split(".")[-1])
        self.addCleanup(s.cleanup)
        game = s.install_host()
        for relative, content in files.items():
            write_file(game, relative, content)
        return game

    def start(self, game):
        host = Host(game)
        self.addCleanup(host.kill)
        return host

    def test_demo_game_starts(self):
        s = Scratch("demo_game_starts")
        self.addCleanup(s.cleanup)
        game = s.path("game")
        shutil.copytree(os.path.join(HERE_SOURCE, "demo", "game"), game)
        s.install_host()
        # The demo's own patch server, as the run command starts it (ephemeral port here).
        server = subprocess.Popen([sys.executable, os.path.join(HERE_SOURCE, "demo", "patch-server", "serve.py"),
                                   "--game", game, "--port", "0", "--lifetime", "120"],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.addCleanup(server.wait)
        self.addCleanup(server.kill)
        ready = server.stdout.readline().decode()
        self.assertIn("patch server ready", ready)
        host = self.start(game)
        host.wait_for_line(r"^\[LUA-print\] demo game started$", timeout=90)
        self.assertEqual(host.close(), 0)

    def test_encrypted_main_wins_over_plain(self):
        with open(ENCRYPTED_MAIN, "rb") as f:
            encrypted = f.read()
        game = self.game({"src/main.lua": 'release_print("plain main ran")\n', "src/main.luac": encrypted})
        host = self.start(game)
        host.wait_for_line(r"^\[LUA-print\] encrypted main ran$")
        self.assertEqual(host.close(), 0)
        self.assertNotIn("[LUA-print] plain main ran", host.lines)

    def test_broken_encrypted_main_is_a_load_error(self):
        with open(ENCRYPTED_MAIN, "rb") as f:
            encrypted = f.read()
        for name, broken in [("truncated", encrypted[:len(encrypted) - 5]),
                             ("flipped", encrypted[:-4] + bytes(b ^ 0xFF for b in encrypted[-4:]))]:
            with self.subTest(name):
                game = self.game({"src/main.lua": 'release_print("plain main ran")\n', "src/main.luac": broken})
                host = self.start(game)
                host.wait_for_line(r"^\[LUA ERROR\] ")
                host.window()
                self.assertEqual(host.close(), 0)
                self.assertEqual([l for l in host.lines if l.startswith("[LUA-print]")], [])

    def test_minimise_and_restore_reach_the_game(self):
        game = self.game({"src/main.lua": (
            'release_print("started")\n'
            'function applicationOnDeactive() release_print("deactive") end\n'
            'function applicationOnActive() release_print("active") end\n')})
        host = self.start(game)
        host.wait_for_line(r"^\[LUA-print\] started$")
        host.probe("show", "minimize")
        host.wait_for_line(r"^\[LUA-print\] deactive$")
        host.probe("show", "restore")
        host.wait_for_line(r"^\[LUA-print\] active$")
        prints = [l for l in host.lines if l.startswith("[LUA-print]")]
        self.assertEqual(prints, ["[LUA-print] started", "[LUA-print] deactive", "[LUA-print] active"])
        self.assertEqual(host.close(), 0)

    def test_a_finalizer_that_raises_in_the_boot_collection_is_logged_and_the_game_goes_on(self):
        game = self.game({"src/main.lua": (
            # Garbage whose finalizer raises: the one full collection, 2 s after
            # this script, runs it (nothing else allocates in Lua until then).
            'local g = newproxy(true)\n'
            'getmetatable(g).__gc = function() error("finalizer refused") end\n'
            'g = nil\n'
            'release_print("started")\n'
            'local scheduler = cc.Director:getInstance():getScheduler()\n'
            'local entry\n'
            'entry = scheduler:scheduleScriptFunc(function()\n'
            '  scheduler:unscheduleScriptEntry(entry)\n'
            '  release_print("still running")\n'
            'end, 3, false)\n')})
        host = self.start(game)
        host.wait_for_line(r"^\[LUA-print\] started$")
        error = host.wait_for_line(r"^\[LUA ERROR\] ZAVU_lua_gc_after_boot that bai: .*finalizer refused")
        host.wait_for_line(r"^\[LUA-print\] still running$")
        self.assertEqual(host.close(), 0)
        self.assertLess(host.lines.index(error.string), host.lines.index("[LUA-print] still running"))


if __name__ == "__main__":
    hostrun.run_cases(["LuaStartupScenarios." + name for name in sys.argv[1:]])
