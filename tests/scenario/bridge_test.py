"""The bridge script in the real host under wine, with game scripts that
require "DorvTools" and "Platform" as the game's own do: the first gateway
request is answered from the prefetch without another request on the wire,
whether it is asked before the prefetch has ended or after (then on a later
frame, with a paused game entry alive); an unusable prefetch hands the
request to the game's own httpGetJson; a stalled prefetch holds back no other
request; Platform calls reach zavu_native, and those it does not know reach
the game's own functions; and the saved account name sits in the engine's
UserDefault file as a protected blob that survives a restart."""

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
# A Platform that also has the not-error variant.
PLATFORM_NE_LUA = PLATFORM_LUA.replace("return Platform", r'''
function Platform:callNativeFuncNotError(cls, mth, args, sig)
  release_print("game own callNativeFuncNotError " .. cls .. " " .. mth .. " " .. type(args) .. " " .. tostring(sig))
  return false, "ownNE"
end
return Platform''')
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

# Asks for the gateway only once the prefetch has ended (its "prefetch done"
# line passes through release_print), while a paused entry of the game's own
# lives; before that, a URL that only starts like the gateway's.
NEXT_FRAME_MAIN_LUA = r'''
package.path = "src/?.lua;" .. package.path
require "json_lite"
local GW = %(gateway)s
local sch = cc.Director:getInstance():getScheduler()
sch:scheduleScriptFunc(function() release_print("game paused entry ran") end, 0, true)
local frames = 0
sch:scheduleScriptFunc(function() frames = frames + 1 end, 0, false)

local DorvTools = require "DorvTools"
local function askGateway()
  local inCall, atFrame = true, frames
  DorvTools.httpGetJson(GW, function(data)
    release_print("game first gateway n=" .. tostring(data.n) .. " in call=" .. tostring(inCall)
                  .. " later frame=" .. tostring(frames > atFrame))
    DorvTools.httpGetJson(GW, function(again)
      release_print("game second gateway n=" .. tostring(again.n))
      release_print("game done")
    end, function() release_print("game second gateway failed") end)
  end, function() release_print("game first gateway failed") end)
  inCall = false
end

local print0, asked = release_print, false
release_print = function(s)
  print0(s)
  if not asked and tostring(s):find("[ZAVUGW] prefetch done", 1, true) then
    asked = true
    askGateway()
  end
end
DorvTools.httpGetJson(GW .. "&x=1", function(data)
  release_print("game lookalike n=" .. tostring(data.n))
end, function() release_print("game lookalike failed") end)
'''

# Asks for the gateway at once (the prefetch is still under way).
WAITING_MAIN_LUA = r'''
package.path = "src/?.lua;" .. package.path
require "json_lite"
local DorvTools = require "DorvTools"
DorvTools.httpGetJson(%(gateway)s, function(data)
  release_print("game first gateway n=" .. tostring(data.n))
  release_print("game done")
end, function() release_print("game first gateway failed") end)
'''

# Another request of the game's own while the prefetch stalls.
STALLED_MAIN_LUA = r'''
package.path = "src/?.lua;" .. package.path
require "json_lite"
local DorvTools = require "DorvTools"
local xhr = cc.XMLHttpRequest:new()
xhr.responseType = 4
xhr:open("GET", %(other)s)
xhr:registerScriptHandler(function()
  release_print("game other answer " .. tostring(xhr.status) .. " " .. tostring(xhr.response))
  release_print("game done")
end)
xhr:send()
'''

PLATFORM_MAIN_LUA = r'''
package.path = "src/?.lua;" .. package.path
local Platform = require "Platform"
local function show(what, ...)
  local parts = {}
  for i = 1, select("#", ...) do parts[i] = type((select(i, ...))) .. ":" .. tostring((select(i, ...))) end
  release_print("game " .. what .. " -> " .. table.concat(parts, ","))
end
show("unknown method", Platform:callNativeFunc("PlatformQolavi", "noSuchMethod", {}, "sig1"))
show("not-error known", Platform:callNativeFuncNotError("PlatformQolavi", "getSavedMethod", {}, ""))
show("not-error unknown method", Platform:callNativeFuncNotError("PlatformQolavi", "noSuchMethod", {}, "sig2"))
show("not-error other class", Platform:callNativeFuncNotError("OtherSdk", "share", {}, "sig3"))
release_print("game done")
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
        return self.run_main(MAIN_LUA % {"gateway": lua_string(self.gateway), "new_name": lua_string(new_name)})

    def run_main(self, main_lua):
        self.write("src/main.lua", main_lua)
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

    def gateway_answers(self, *items):
        """The gateway's answers in order: the update's, the prefetch's, then
        the game's own requests (the last repeats)."""
        self.site.set({"/gateway": {"sequence": list(items)}})

    def test_a_request_after_the_prefetch_ended_is_answered_on_a_later_frame(self):
        self.gateway = self.site.url("/gateway?lang=vi")
        self.write("vexa/gateway", self.gateway + "\n")
        self.site.set({"/gateway": {"sequence": [{"body": '{"Res": "", "n": %d}' % n} for n in (1, 2, 3)]},
                       "/gateway?lang=vi&x=1": {"body": '{"Res": "", "n": 99}'}})
        lines = self.run_main(NEXT_FRAME_MAIN_LUA % {"gateway": lua_string(self.gateway)})
        self.assertIn("[ZAVUGW] prefetch done status=200 bytes=%d" % len('{"Res": "", "n": 2}'), lines)
        self.assertIn("[ZAVUGW] GW recv (prefetched)", lines)
        self.assertIn("game first gateway n=2 in call=false later frame=true", lines)
        self.assertIn("game second gateway n=3", lines)
        self.assertNotIn("game paused entry ran", lines)
        # The lookalike went straight to the game's own function, and did not use up the prefetch.
        self.assertIn("game lookalike n=99", lines)
        self.assertEqual([l for l in lines if l.startswith("game own httpGetJson")],
                         ["game own httpGetJson " + self.gateway + "&x=1", "game own httpGetJson " + self.gateway])
        self.assertEqual(len([e for e in self.site.requests_for("/gateway") if e["path"].endswith("lang=vi")]), 3,
                         "update, prefetch and the second game request")

    def test_an_unusable_prefetch_hands_the_request_to_the_games_own(self):
        cases = [
            ("not json", {"body": "<html>oops</html>"}, 200, len("<html>oops</html>")),
            ("transport failure", {"refuse": True}, 0, -1),
        ]
        for name, prefetch, status, size in cases:
            with self.subTest(name):
                self.site = Site(self.id().split(".")[-1])
                self.addCleanup(self.site.drop)
                self.gateway = self.site.url("/gateway")
                self.write("vexa/gateway", self.gateway + "\n")
                self.gateway_answers({"body": '{"Res": "", "n": 1}'}, prefetch, {"body": '{"Res": "", "n": 3}'})
                lines = self.run_main(WAITING_MAIN_LUA % {"gateway": lua_string(self.gateway)})
                self.assertIn("[ZAVUGW] prefetch done status=%d bytes=%d" % (status, size), lines)
                fallback = [l for l in lines if l.startswith("[ZAVUGW] prefetch khong dung duoc")]
                self.assertEqual(fallback, ["[ZAVUGW] prefetch khong dung duoc (status=%d) -> tai lai qua mang" % status])
                self.assertNotIn("[ZAVUGW] GW recv (prefetched)", lines)
                self.assertEqual([l for l in lines if l.startswith("game own httpGetJson")],
                                 ["game own httpGetJson " + self.gateway])
                self.assertIn("game first gateway n=3", lines)
                self.assertEqual(len(self.site.requests_for("/gateway")), 3, "update, prefetch and the game's own")

    def test_a_stalled_prefetch_holds_back_no_other_request(self):
        self.gateway_answers({"body": '{"Res": "", "n": 1}'}, {"delay": 120, "body": "{}"})
        self.site.update(**{"/other": {"body": "other text"}})
        lines = self.run_main(STALLED_MAIN_LUA % {"other": lua_string(self.site.url("/other"))})
        self.assertIn("game other answer 200 other text", lines)
        prefetch = self.site.requests_for("/gateway")
        self.assertEqual(len(prefetch), 2, prefetch)
        self.assertIsNone(prefetch[1]["end"], "the other request was answered only after the prefetch had ended")
        self.assertFalse([l for l in lines if l.startswith("[ZAVUGW] prefetch done")], lines)

    def test_platform_calls_the_dispatcher_does_not_know_reach_the_games_own(self):
        self.write("src/Platform.lua", PLATFORM_NE_LUA)
        lines = self.run_main(PLATFORM_MAIN_LUA)
        self.assertIn("game own callNativeFunc PlatformQolavi noSuchMethod table sig1", lines)
        self.assertIn("game unknown method -> string:own", lines)
        # getSavedMethod answers the saved login method: none in a fresh folder.
        self.assertIn("game not-error known -> boolean:true,string:", lines)
        self.assertIn("game own callNativeFuncNotError PlatformQolavi noSuchMethod table sig2", lines)
        self.assertIn("game not-error unknown method -> boolean:false,string:ownNE", lines)
        self.assertIn("game own callNativeFuncNotError OtherSdk share table sig3", lines)
        self.assertIn("game not-error other class -> boolean:false,string:ownNE", lines)
        self.assertFalse([l for l in lines if "getSavedMethod" in l and l.startswith("game own")], lines)


if __name__ == "__main__":
    fixtures.require_server()
    unittest.main(argv=[sys.argv[0]] + ["BridgeScenarios." + a for a in sys.argv[1:]], verbosity=2)
