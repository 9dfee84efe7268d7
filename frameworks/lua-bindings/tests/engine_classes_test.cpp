// The engine classes as scripts call them, in a real LuaStack on the real
// engine: cc.UserDefault across a restart, the scheduler's script entries,
// cc.XMLHttpRequest and LuaSocket against a local server (http_fixture.py),
// and argument errors that must stay Lua errors.
#include <curl/curl.h> // before the engine headers: it brings <windows.h>

#include "TestSupport.h"

#include "base/CCAutoreleasePool.h"
#include "base/CCDirector.h"
#include "base/CCScheduler.h"
#include "base/CCUserDefault.h"
#include "network/HttpClient.h"
#include "platform/CCFileUtils.h"
#include "scripting/lua-bindings/manual/CCLuaStack.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

using cocos2d::Director;
using cocos2d::FileUtils;
using cocos2d::LuaStack;
using cocos2d::UserDefault;
using testing_support::evalString;
using testing_support::GameFolder;
using testing_support::LogCapture;

namespace {

class CurlEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_DEFAULT), CURLE_OK); }
    void TearDown() override { curl_global_cleanup(); }
};
const auto* const kCurlEnvironment = ::testing::AddGlobalTestEnvironment(new CurlEnvironment);

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class EngineClassesTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedWritable = FileUtils::getInstance()->getWritablePath();
        FileUtils::getInstance()->setWritablePath(folder.absolute("data/"));
        UserDefault::destroyInstance();
        Director::getInstance()->startAnimation();
        startStack();
    }
    void TearDown() override {
        stack.reset();
        Director::getInstance()->purgeDirector();
        cocos2d::AutoreleasePool::getInstance()->clear();
        UserDefault::destroyInstance();
        FileUtils::getInstance()->setWritablePath(savedWritable);
    }
    void startStack() {
        stack = std::make_unique<LuaStack>();
        ASSERT_TRUE(stack->init());
        L = stack->getLuaState();
    }
    std::string run(const std::string& code) { return evalString(L, code); }
    void frame() { Director::getInstance()->mainLoop(1.0f / 60); }
    // Runs frames until the chunk returns true, for at most `seconds`.
    bool framesUntil(const std::string& condition, double seconds = 15.0) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            frame();
            if (run("return tostring(" + condition + ")") == "true") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    static std::string url(const std::string& path) { return "http://127.0.0.1:" + env("ENGINE_HTTP_PORT") + path; }

    GameFolder folder;
    std::string savedWritable;
    std::unique_ptr<LuaStack> stack;
    lua_State* L = nullptr;
};

TEST_F(EngineClassesTest, UserDefaultValuesSurviveARestartOfTheEngineAndTheLuaState) {
    ASSERT_EQ(run("local ud = cc.UserDefault:getInstance()\n"
                  "ud:setStringForKey('dorv_acount', 'Vi\xe1\xbb\x87t & <b>')\n"
                  "ud:setStringForKey('empty', '')\n"
                  "return tostring(ud == cc.UserDefault:getInstance())"),
              "true");
    stack.reset();
    UserDefault::destroyInstance();  // the next start reads the file again
    startStack();
    EXPECT_EQ(run("return cc.UserDefault:getInstance():getStringForKey('dorv_acount')"), "Vi\xe1\xbb\x87t & <b>");
    EXPECT_EQ(run("return cc.UserDefault:getInstance():getStringForKey('empty', 'dflt')"), "");
    EXPECT_EQ(run("return cc.UserDefault:getInstance():getStringForKey('absent', 'dflt')"), "dflt");
    EXPECT_EQ(run("return cc.UserDefault:getInstance():getStringForKey('absent')"), "");

    // A method replaced on the class applies to the instance (the bridge script relies on it).
    EXPECT_EQ(run("local UD = cc.UserDefault\n"
                  "local old = UD.getStringForKey\n"
                  "UD.getStringForKey = function(self, k) return 'wrapped:' .. old(self, k) end\n"
                  "local r = UD:getInstance():getStringForKey('dorv_acount')\n"
                  "UD.getStringForKey = old\n"
                  "return r"),
              "wrapped:Vi\xe1\xbb\x87t & <b>");
}

TEST_F(EngineClassesTest, FileUtilsFindsFilesThroughTheSearchPaths) {
    folder.write("res/vexa/gateway", "http://gw.test/x  \n");
    FileUtils::getInstance()->setSearchPaths({"res"});
    EXPECT_EQ(run("local fu = cc.FileUtils:getInstance()\n"
                  "return tostring(fu:isFileExist('vexa/gateway')) .. '|' .. fu:getStringFromFile('vexa/gateway')"
                  " .. '|' .. tostring(fu:isFileExist('vexa/none'))"),
              "true|http://gw.test/x  \n|false");
}

TEST_F(EngineClassesTest, ScriptEntryRunsOnALaterTickAndCanUnscheduleItself) {
    ASSERT_EQ(run("runs, ticks = 0, {}\n"
                  "local sch = cc.Director:getInstance():getScheduler()\n"
                  "local id\n"
                  "id = sch:scheduleScriptFunc(function(dt)\n"
                  "  sch:unscheduleScriptEntry(id)\n"
                  "  runs = runs + 1\n"
                  "  dtSeen = dt\n"
                  "end, 0, false)\n"
                  "return type(id)"),
              "number");
    EXPECT_EQ(run("return tostring(runs)"), "0") << "ran inside the call";
    int frames = 0;
    while (run("return tostring(runs)") == "0" && frames < 5) {
        frame();
        ++frames;
    }
    EXPECT_EQ(run("return tostring(runs)"), "1");
    EXPECT_LE(frames, 2) << "the engine runs a new timer on the tick after the one that first sees it";
    EXPECT_EQ(run("return tostring(dtSeen > 0)"), "true");
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_EQ(run("return tostring(runs)"), "1") << "an unscheduled entry ran again";
}

TEST_F(EngineClassesTest, EachScriptEntryKeepsItsOwnPausedState) {
    // A paused entry first, an unpaused one after it, and a paused one after that.
    ASSERT_EQ(run("runs = {first = 0, second = 0, third = 0}\n"
                  "local sch = cc.Director:getInstance():getScheduler()\n"
                  "sch:scheduleScriptFunc(function() runs.first = runs.first + 1 end, 0, true)\n"
                  "sch:scheduleScriptFunc(function() runs.second = runs.second + 1 end, 0, false)\n"
                  "sch:scheduleScriptFunc(function() runs.third = runs.third + 1 end, 0, true)\n"
                  "return 'ok'"),
              "ok");
    for (int i = 0; i < 10; ++i) frame();
    EXPECT_EQ(run("return runs.first .. ' ' .. runs.second .. ' ' .. runs.third"), "0 9 0");
}

TEST_F(EngineClassesTest, RepeatingEntriesSurviveTheirErrorsAndStopWithTheirState) {
    LogCapture log;
    ASSERT_EQ(run("count = 0\n"
                  "local sch = cc.Director:getInstance():getScheduler()\n"
                  "entry = sch:scheduleScriptFunc(function() count = count + 1; error('entry broke') end, 0, false)\n"
                  "return 'ok'"),
              "ok");
    for (int i = 0; i < 6; ++i) frame();
    const std::string count = run("return tostring(count)");
    EXPECT_GE(std::stoi(count), 4) << "an error stopped the entry";
    EXPECT_TRUE(log.contains("[LUA ERROR]")) << "error not logged";
    EXPECT_TRUE(log.contains("entry broke"));

    const unsigned int entry = static_cast<unsigned int>(std::stoul(run("return tostring(entry)")));
    ASSERT_TRUE(Director::getInstance()->getScheduler()->isScriptEntryScheduled(entry));
    stack.reset();
    EXPECT_FALSE(Director::getInstance()->getScheduler()->isScriptEntryScheduled(entry));
    for (int i = 0; i < 3; ++i) frame();  // would call into the closed state
    startStack();
}

TEST_F(EngineClassesTest, XmlHttpRequestHandlerRunsOnceForSuccessErrorStatusAndUnreachable) {
    ASSERT_FALSE(env("ENGINE_HTTP_PORT").empty()) << "run through http_fixture.py";
    const struct {
        std::string url;
        std::string status;
        std::string response;
    } cases[] = {
        {url("/ok"), "200", "hello from the fixture"},
        {url("/missing"), "404", "nothing here"},
        {"http://127.0.0.1:" + env("ENGINE_HTTP_REFUSED_PORT") + "/", "0", "nil"},
        {"not a url at all", "0", "nil"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        ASSERT_EQ(run("calls = 0\n"
                      "local xhr = cc.XMLHttpRequest:new()\n"
                      "xhr.responseType = 4\n"
                      "xhr:open('GET', '" + c.url + "')\n"
                      "local me = xhr\n"
                      "xhr:registerScriptHandler(function()\n"
                      "  calls = calls + 1\n"
                      "  seen = tostring(me.status) .. '|' .. tostring(me.response)\n"
                      "end)\n"
                      "xhr:send()\n"
                      "before = tostring(xhr.status) .. '|' .. tostring(xhr.response) .. '|' .. xhr.responseType\n"
                      "-- Only the handler refers to the object now: the request in flight keeps it.\n"
                      "xhr, me = nil, xhr\n"
                      "collectgarbage('collect')\n"
                      "return before"),
                  "0|nil|4");
        ASSERT_TRUE(framesUntil("calls > 0")) << "handler never ran";
        for (int i = 0; i < 10; ++i) frame();
        EXPECT_EQ(run("return tostring(calls)"), "1");
        EXPECT_EQ(run("return seen"), c.status + "|" + c.response);
    }
}

TEST_F(EngineClassesTest, XmlHttpRequestPostsItsBodyAndCanBeReused) {
    ASSERT_EQ(run("calls = 0\n"
                  "xhr = cc.XMLHttpRequest:new()\n"
                  "xhr.note = 'kept'\n"
                  "xhr:registerScriptHandler(function() calls = calls + 1 end)\n"
                  "xhr:open('POST', '" + url("/echo") + "')\n"
                  "xhr:send('a=1&b=2')\n"
                  "local ok, err = pcall(xhr.send, xhr)\n"
                  "return tostring(ok) .. '|' .. tostring(err):match('in flight')"),
              "false|in flight");
    ASSERT_TRUE(framesUntil("calls == 1"));
    EXPECT_EQ(run("return xhr.response"), "POST||a=1&b=2");
    EXPECT_EQ(run("return xhr.note"), "kept");
    run("xhr:open('GET', '" + url("/ok") + "'); xhr:send()");
    EXPECT_EQ(run("return tostring(xhr.response)"), "nil") << "open keeps the previous answer";
    ASSERT_TRUE(framesUntil("calls == 2"));
    EXPECT_EQ(run("return xhr.response"), "hello from the fixture");
}

TEST_F(EngineClassesTest, AStalledRequestDoesNotHoldBackTheNextOneAndEndsByTheClientsTimeOut) {
    // The stalling address answers only after several seconds; the second
    // request, to another address, must not wait for it. The stalled one
    // still ends by the client's own read time-out.
    auto* client = cocos2d::network::HttpClient::getInstance();
    const int savedReadTimeout = client->getTimeoutForRead();
    client->setTimeoutForRead(3);
    struct Restore {
        int seconds;
        ~Restore() { cocos2d::network::HttpClient::getInstance()->setTimeoutForRead(seconds); }
    } restore{savedReadTimeout};
    ASSERT_EQ(run("answers = {}\n"
                  "local function get(name, url)\n"
                  "  local xhr = cc.XMLHttpRequest:new()\n"
                  "  xhr.responseType = 4\n"
                  "  xhr:open('GET', url)\n"
                  "  xhr:registerScriptHandler(function()\n"
                  "    answers[#answers + 1] = name .. '=' .. tostring(xhr.status)\n"
                  "  end)\n"
                  "  xhr:send()\n"
                  "end\n"
                  "get('stall', '" + url("/stall") + "')\n"
                  "get('ok', '" + url("/ok") + "')\n"
                  "return 'sent'"),
              "sent");
    ASSERT_TRUE(framesUntil("#answers > 0", 20.0)) << "no answer at all";
    EXPECT_EQ(run("return table.concat(answers, ',')"), "ok=200") << "the second request waited behind the first";
    ASSERT_TRUE(framesUntil("#answers == 2", 20.0));
    EXPECT_EQ(run("return answers[2]"), "stall=0");
}

TEST_F(EngineClassesTest, WrongArgumentsRaiseLuaArgumentErrors) {
    const struct {
        const char* code;
        const char* message;
    } cases[] = {
        // Lua numbers the arguments of a method call from the first after self.
        {"cc.UserDefault:setStringForKey('k', 'v')", "bad self (cc.UserDefault expected, got table)"},
        {"cc.UserDefault:getInstance():setStringForKey('k', {})", "#2 to 'setStringForKey' (string expected, got table)"},
        {"cc.UserDefault:getInstance():setStringForKey(nil, 'v')", "#1 to 'setStringForKey' (string expected, got nil)"},
        {"cc.UserDefault:getInstance():getStringForKey()", "#1 to 'getStringForKey' (string expected, got no value)"},
        {"cc.Director.getScheduler({})", "#1 to 'getScheduler' (cc.Director expected, got table)"},
        {"cc.Director:getInstance():getScheduler():scheduleScriptFunc('f', 0, false)",
         "#1 to 'scheduleScriptFunc' (function expected, got string)"},
        {"cc.Director:getInstance():getScheduler():scheduleScriptFunc(print)",
         "#2 to 'scheduleScriptFunc' (number expected, got no value)"},
        {"cc.Director:getInstance():getScheduler():scheduleScriptFunc(print, -1, false)",
         "#2 to 'scheduleScriptFunc' (interval must not be negative)"},
        {"cc.Director:getInstance():getScheduler():unscheduleScriptEntry('x')",
         "#1 to 'unscheduleScriptEntry' (number expected, got string)"},
        {"cc.XMLHttpRequest:new():open('FETCH', 'http://x/')", "#1 to 'open' (GET, POST, PUT or DELETE expected)"},
        {"cc.XMLHttpRequest:new():open('GET')", "#2 to 'open' (string expected, got no value)"},
        {"cc.XMLHttpRequest:new().responseType = 9", "(response type 0..4 expected)"},
        {"cc.XMLHttpRequest:new().responseType = 'json'", "(number expected, got string)"},
        {"cc.XMLHttpRequest:new():registerScriptHandler(1)", "#1 to 'registerScriptHandler' (function expected, got number)"},
        {"cc.XMLHttpRequest:new().send({})", "#1 to 'send' (cc.XMLHttpRequest expected, got table)"},
        {"cc.XMLHttpRequest:new():send()", "open was not called"},
        {"cc.XMLHttpRequest:new().status = 3", "read-only"},
        {"cc.FileUtils:getInstance():isFileExist()", "#1 to 'isFileExist' (string expected, got no value)"},
    };
    for (const auto& c : cases) {
        const std::string got = run(std::string("local ok, err = pcall(function() ") + c.code +
                                    " end)\nreturn tostring(ok) .. ' ' .. tostring(err)");
        EXPECT_EQ(got.rfind("false ", 0), 0u) << c.code << " -> " << got;
        EXPECT_NE(got.find(c.message), std::string::npos) << c.code << " -> " << got;
    }
    EXPECT_EQ(run("return 'still running'"), "still running");
}

TEST_F(EngineClassesTest, LuaSocketIsPreloadedAndTalksToARealServer) {
    EXPECT_EQ(run("for _, n in ipairs({'socket.core', 'mime.core', 'socket', 'ltn12', 'mime', 'socket.http',\n"
                  "                    'socket.url', 'socket.tp', 'socket.ftp', 'socket.smtp', 'socket.headers'}) do\n"
                  "  if type(package.preload[n]) ~= 'function' then return 'missing ' .. n end\n"
                  "end\n"
                  "local socket = require('socket')\n"
                  "return socket._VERSION:match('^LuaSocket 3') and 'v3' or socket._VERSION"),
              "v3");
    EXPECT_EQ(run("local mime = require('mime'); return (mime.b64('abc\\0')) .. '|' .. "
                  "require('socket.url').escape('a b&c')"),
              "YWJjAA==|a%20b%26c");
    EXPECT_EQ(run("local http = require('socket.http')\n"
                  "local body, code = http.request('" + url("/ok") + "')\n"
                  "return tostring(code) .. '|' .. tostring(body)"),
              "200|hello from the fixture");
    EXPECT_EQ(run("local socket = require('socket')\n"
                  "local c = socket.tcp(); c:settimeout(2)\n"
                  "local ok, err = c:connect('127.0.0.1', " + env("ENGINE_HTTP_REFUSED_PORT") + ")\n"
                  "c:close()\n"
                  "return tostring(ok) .. '|' .. tostring(err)"),
              "nil|connection refused");
}

} // namespace
