"""The bridge script in the real host under wine, with game scripts that
require "DorvTools" and "Platform" as the game's own do: the first gateway
request is answered from the prefetch without another request on the wire,
a Platform call reaches zavu_native, and the saved account name sits in the
engine's UserDefault file as a protected blob that survives a restart."""

import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))

import fixtures  # noqa: E402
from fixtures import Site  # noqa: E402
import hostrun  # noqa: E402
from hostrun import Host, Scratch  # noqa: E402

DPAPI_UNPROTECT_EXE = os.path.join(os.environ["HOST_BUILD_DIR"], "bin", "dpapi_unprotect.exe")
DONE = r"^\[LUA-print\] game done$"

# The game's own modules: a JSON decoder good for the gateway answers, a
# DorvTools whose httpGetJson makes the normal request, a Platform whose own
# native call only says it ran.
JSON_LUA = r'''
json = {decode = function(s)
  if not s:match("^%s*{") then error("not json") end
  return {Res = s:match('"Res"%s*:%s*"(.-)"'), n = tonumber(s:match('"n"%s*:%s*(%d+)'))}
end}
'''
DORVTOOLS_LUA = r'''
local DorvTools = {}
function DorvTools.httpGetJson(url, func, netErrfunc)
  release_print("game own httpGetJson " .. url)
  local xhr = cc.XMLHttpRequest:new()
  xhr.responseType = 4
  xhr:open("GET", url)
  xhr:registerScriptHandler(function()
    if xhr.status == 200 then func(json.decode(xhr.response)) else netErrfunc() end
  end)
  xhr:send()
end
return DorvTools
'''
PLATFORM_LUA = r'''
local Platform = {}
function Platform:callNativeFunc(cls, mth, args, sig)
  release_print("game own callNativeFunc " .. cls .. " " .. mth .. " " .. type(args) .. " " .. tostring(sig))
  return "own"
end
return Platform
'''
MAIN_LUA = r'''
package.path = "src/?.lua;" .. package.path
require "json_lite"
local DorvTools = require "DorvTools"
local Platform = require "Platform"
local GW = %(gateway)s
local NEW_NAME = %(new_name)s

local ud = cc.UserDefault:getInstance()
release_print("game name read: [" .. ud:getStringForKey("dorv_acount") .. "]")
if NEW_NAME then
  ud:setStringForKey("dorv_acount", NEW_NAME)
  release_print("game name after set: [" .. ud:getStringForKey("dorv_acount") .. "]")
end
release_print("game native: " .. tostring(Platform:callNativeFunc("PlatformQolavi", "submitLoginInfo", {}, "")))
release_print("game fallback: " .. tostring(Platform:callNativeFunc("OtherSdk", "share", {}, "sig")))

DorvTools.httpGetJson(GW, function(data)
  release_print("game first gateway n=" .. tostring(data.n))
  DorvTools.httpGetJson(GW, function(again)
    release_print("game second gateway n=" .. tostring(again.n))
    release_print("game done")
  end, function() release_print("game second gateway failed") end)
end, function() release_print("game first gateway failed") end)
'''


def lua_string(text):
    return "nil" if text is None else '"%s"' % text


class BridgeScenarios(unittest.TestCase):
    def setUp(self):
        name = self.id().split(".")[-1]
        self.scratch = Scratch(name)
        self.addCleanup(self.scratch.cleanup)
        self.site = Site(name)
        self.addCleanup(self.site.drop)
        self.dir = self.scratch.install_host()
        self.gateway = self.site.url("/gateway")
        # The update asks first, then the prefetch, then any normal request;
        # an empty "Res" lets the update hand over at once.
        self.site.set({"/gateway": {"sequence": [{"body": '{"Res": "", "n": %d}' % n} for n in (1, 2, 3, 4)]}})
        self.write("vexa/gateway", self.gateway + "\n")
        self.write("src/json_lite.lua", JSON_LUA)
        self.write("src/DorvTools.lua", DORVTOOLS_LUA)
        self.write("src/Platform.lua", PLATFORM_LUA)
        fixtures.install_ca(self.dir)

    def write(self, relative, data):
        return hostrun.write_file(self.dir, relative, data)

    def run_game(self, new_name):
        self.write("src/main.lua", MAIN_LUA % {"gateway": lua_string(self.gateway), "new_name": lua_string(new_name)})
        host = Host(self.dir)
        self.addCleanup(host.kill)
        host.wait_for_line(DONE, timeout=90)
        time.sleep(0.5)  # a stray request would show in the log by now
        lines = list(host.lines)
        self.assertEqual(host.close(), 0)
        return [l[len("[LUA-print] "):] for l in lines if l.startswith("[LUA-print] ")]

    def saved_value(self):
        with open(os.path.join(self.dir, "data", "UserDefault.xml"), encoding="utf-8") as f:
            text = f.read()
        m = re.search(r"<dorv_acount>(.*?)</dorv_acount>", text)
        self.assertIsNotNone(m, text)
        return m.group(1)

    def unprotect(self, blob):
        """The blob decrypted from outside the host, by the test helper."""
        blob_file = self.scratch.path("blob.txt")
        with open(blob_file, "w", encoding="ascii") as f:
            f.write(blob)
        out = self.scratch.path("plain.txt")
        env = hostrun.wine_env()
        result = subprocess.run([env["WINE_LOADER"], DPAPI_UNPROTECT_EXE, hostrun.to_windows_path(blob_file),
                                 hostrun.to_windows_path(out)], env=env, capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(out, encoding="utf-8") as f:
            return f.read()

    def test_game_scripts_reach_the_bridge_and_the_name_stays_protected(self):
        lines = self.run_game("player_one")
        self.assertIn("[ZAVUGW] prefetch start " + self.gateway, lines)
        self.assertIn("[ZAVUGW] prefetch done status=200 bytes=%d" % len('{"Res": "", "n": 2}'), lines)
        # First game request: the prefetched answer, from the handler; the second goes out as usual.
        self.assertIn("[ZAVUGW] GW recv (prefetched)", lines)
        self.assertIn("game first gateway n=2", lines)
        self.assertIn("game second gateway n=3", lines)
        self.assertEqual([l for l in lines if l.startswith("game own httpGetJson")], ["game own httpGetJson " + self.gateway])
        self.assertEqual(len(self.site.requests_for("/gateway")), 3, "update, prefetch and the second game request")

        self.assertIn("game native: true", lines)
        self.assertIn("game own callNativeFunc OtherSdk share table sig", lines)
        self.assertIn("game fallback: own", lines)
        self.assertFalse([l for l in lines if "callNativeFunc PlatformQolavi" in l], lines)

        self.assertIn("game name read: []", lines)
        self.assertIn("game name after set: [player_one]", lines)
        blob = self.saved_value()
        self.assertTrue(blob.startswith("ZAVUDP1:"), blob)
        self.assertNotIn("player_one", open(os.path.join(self.dir, "data", "UserDefault.xml"), encoding="utf-8").read())
        self.assertEqual(self.unprotect(blob), "player_one")

        # The next start reads the name back through unprotection.
        self.site.set({"/gateway": {"sequence": [{"body": '{"Res": "", "n": %d}' % n} for n in (1, 2, 3)]}})
        lines = self.run_game(None)
        self.assertIn("game name read: [player_one]", lines)
        self.assertEqual(self.saved_value(), blob)

    def test_a_plain_name_saved_before_is_protected_on_first_read(self):
        self.write("data/UserDefault.xml", '<?xml version="1.0" encoding="utf-8"?>\n<userDefaultRoot>\n'
                                           '    <dorv_acount>old_player</dorv_acount>\n'
                                           '    <music>on</music>\n</userDefaultRoot>\n')
        lines = self.run_game(None)
        self.assertIn("game name read: [old_player]", lines)
        blob = self.saved_value()
        self.assertTrue(blob.startswith("ZAVUDP1:"), blob)
        self.assertEqual(self.unprotect(blob), "old_player")
        with open(os.path.join(self.dir, "data", "UserDefault.xml"), encoding="utf-8") as f:
            self.assertIn("<music>on</music>", f.read())


if __name__ == "__main__":
    fixtures.require_server()
    unittest.main(argv=[sys.argv[0]] + ["BridgeScenarios." + a for a in sys.argv[1:]], verbosity=2)
