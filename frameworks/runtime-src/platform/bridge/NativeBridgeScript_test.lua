-- Tests of the bridge script with fake engine classes, storage, dispatcher
-- and game modules. Each case loads the script afresh into its own globals.
--   luajit NativeBridgeScript_test.lua <path of NativeBridgeScript.lua>
local scriptPath = assert(arg[1], "usage: NativeBridgeScript_test.lua <script>")

local failures, count = 0, 0
local function fail(msg) error(msg, 0) end
local function eq(got, want, what)
    if got ~= want then fail(string.format("%s: got %s, want %s", what, tostring(got), tostring(want))) end
end
local function test(name, fn)
    count = count + 1
    local ok, err = xpcall(fn, debug.traceback)
    if not ok then
        failures = failures + 1
        io.write("FAIL ", name, "\n  ", tostring(err), "\n")
    else
        io.write("ok   ", name, "\n")
    end
end

-- A fake world: the globals the script sees, with recorders. -------------

local PREFIX = "ZAVUDP1:"

local function newWorld(opts)
    opts = opts or {}
    local W = { log = {}, store = {}, calls = {}, natives = {}, required = {}, ticks = 0 }

    -- Storage globals: the "blob" is the prefix plus the reversed text.
    local protectFails = opts.protectFails
    local unprotectFails = opts.unprotectFails
    local function protect(s)
        if protectFails then return nil end
        return PREFIX .. s:reverse()
    end
    local function unprotect(s)
        if s:sub(1, #PREFIX) ~= PREFIX then return nil, "notblob" end
        if unprotectFails then return nil, "unprotect" end
        return s:sub(#PREFIX + 1):reverse()
    end

    -- cc.UserDefault: methods on the class table, as the engine binds them.
    local UD = {}
    function UD.setStringForKey(self, k, v)
        assert(self == UD.instance, "called without the instance")
        table.insert(W.calls, { "set", k, v })
        W.store[k] = v
    end
    function UD.getStringForKey(self, k, default)
        assert(self == UD.instance, "called without the instance")
        local v = W.store[k]
        if v == nil then return default or "" end
        return v
    end
    UD.instance = setmetatable({}, { __index = UD })
    function UD.getInstance() return UD.instance end

    W.files = opts.files or { ["vexa/gateway"] = "http://gw.test/list?a=1  \nsecond-line\n" }
    local fu = {}
    function fu:isFileExist(n) return W.files[n] ~= nil end
    function fu:getStringFromFile(n) return W.files[n] or "" end

    W.requests = {}
    local XHR = {}
    function XHR:new()
        local x = { opened = nil, sent = 0, handlers = {} }
        function x:open(method, url) self.opened = { method, url } end
        function x:registerScriptHandler(fn) table.insert(self.handlers, fn) end
        function x:send() self.sent = self.sent + 1 end
        table.insert(W.requests, x)
        return x
    end

    -- The scheduler: entries run on tick(); ids never repeat.
    local entries, nextId = {}, 1
    local sch = {}
    function sch:scheduleScriptFunc(fn, interval, paused)
        eq(interval, 0, "interval")
        eq(paused, false, "paused")
        local id = nextId
        nextId = nextId + 1
        entries[id] = fn
        return id
    end
    function sch:unscheduleScriptEntry(id) entries[id] = nil end
    function W.tick()
        W.ticks = W.ticks + 1
        local ids = {}
        for id in pairs(entries) do ids[#ids + 1] = id end
        table.sort(ids)
        for _, id in ipairs(ids) do if entries[id] then entries[id](1 / 60) end end
    end
    function W.scheduled()
        local n = 0
        for _ in pairs(entries) do n = n + 1 end
        return n
    end
    local director = { getScheduler = function(self) return sch end }
    if opts.schedulerRaises then director.getScheduler = function() error("no scheduler") end end

    local cc = {
        UserDefault = UD,
        FileUtils = { getInstance = function() return fu end },
        XMLHttpRequest = XHR,
        Director = { getInstance = function() return director end },
    }
    if opts.fileUtilsRaises then cc.FileUtils.getInstance = function() error("no file utils") end end

    -- Game modules and the loader the script wraps.
    W.modules = opts.modules or {}
    local function loader(...)
        table.insert(W.required, { n = select("#", ...), ... })
        return W.modules[(...)]
    end

    local env = {
        cc = cc,
        zavu_secure_protect = protect,
        zavu_secure_unprotect = unprotect,
        zavu_native = function(cls, mth, args)
            table.insert(W.natives, { cls, mth, args })
            if opts.native then return opts.native(cls, mth, args) end
            return nil
        end,
        json = opts.json ~= false and {
            -- "{...}" decodes to a table holding the text; a number to a number.
            decode = function(s)
                if s:match("^%s*{") then return { text = s } end
                if s:match("^%d+$") then return tonumber(s) end
                error("not json: " .. s)
            end,
        } or nil,
        require = loader,
        print = function() error("print must not be used while release_print exists") end,
        release_print = function(s) table.insert(W.log, s) end,
    }
    for _, name in ipairs({ "pcall", "type", "tostring", "tonumber", "rawget", "rawset", "ipairs", "pairs",
                            "select", "error", "setmetatable", "getmetatable", "next", "unpack" }) do
        env[name] = _G[name]
    end
    env.string, env.table = string, table
    env._G = env
    if opts.noReleasePrint then
        env.release_print = nil
        env.print = function(s) table.insert(W.log, s) end
    end
    if opts.env then opts.env(env, W) end
    W.env, W.UD = env, UD

    local chunk = assert(loadfile(scriptPath))
    setfenv(chunk, env)
    chunk()
    return W
end

local function ud(W) return W.env.cc.UserDefault:getInstance() end

local function logHas(W, line)
    for _, l in ipairs(W.log) do if l == line then return true end end
    return false
end
local function logCount(W, prefix)
    local n = 0
    for _, l in ipairs(W.log) do if l:sub(1, #prefix) == prefix then n = n + 1 end end
    return n
end

-- Saved account protection --------------------------------------------------

test("account value is stored protected and read back; other keys and empty values pass unchanged", function()
    local cases = {
        { key = "dorv_acount", value = "player01", stored = PREFIX .. ("player01"):reverse(), read = "player01" },
        { key = "dorv_acount", value = "", stored = "", read = "" },
        { key = "other_key", value = "plain", stored = "plain", read = "plain" },
        { key = "dorv_acount_x", value = "plain", stored = "plain", read = "plain" },
    }
    for _, c in ipairs(cases) do
        local W = newWorld()
        ud(W):setStringForKey(c.key, c.value)
        eq(W.store[c.key], c.stored, c.key .. "=" .. c.value .. " stored")
        eq(ud(W):getStringForKey(c.key), c.read, c.key .. "=" .. c.value .. " read")
    end
end)

test("a plain account value is returned, protected in place, and read through unprotection next time", function()
    local W = newWorld()
    W.store.dorv_acount = "oldname"
    eq(ud(W):getStringForKey("dorv_acount"), "oldname", "first read")
    eq(W.store.dorv_acount, PREFIX .. ("oldname"):reverse(), "migrated value")
    local writes = #W.calls
    eq(ud(W):getStringForKey("dorv_acount"), "oldname", "second read")
    eq(#W.calls, writes, "second read wrote again")
end)

test("failures of the storage globals never expose or store the plain name", function()
    -- A blob this user cannot unprotect reads as empty and is left as it is.
    local W = newWorld({ unprotectFails = true })
    W.store.dorv_acount = PREFIX .. "xyz"
    eq(ud(W):getStringForKey("dorv_acount"), "", "unreadable blob")
    eq(W.store.dorv_acount, PREFIX .. "xyz", "unreadable blob kept")

    -- Protection that fails on write stores the empty string, never the name.
    W = newWorld({ protectFails = true })
    ud(W):setStringForKey("dorv_acount", "secret")
    eq(W.store.dorv_acount, "", "failed protect on set")
end)

test("a migration whose protection fails leaves the plain name stored", function()
    local W = newWorld({ protectFails = true })
    W.store.dorv_acount = "legacy"
    for i = 1, 3 do
        eq(ud(W):getStringForKey("dorv_acount"), "legacy", "read " .. i)
        eq(W.store.dorv_acount, "legacy", "stored after read " .. i)
    end
    eq(#W.calls, 0, "writes")
end)

test("a default is returned as it is and never stored as the name", function()
    local cases = {
        { name = "absent key", stored = nil },
        { name = "empty stored value", stored = "" },
    }
    for _, c in ipairs(cases) do
        local W = newWorld()
        W.store.dorv_acount = c.stored
        local want = c.stored or "Guest" -- the engine answers an empty stored value with ""
        eq(ud(W):getStringForKey("dorv_acount", "Guest"), want, c.name .. ": read with a default")
        eq(W.store.dorv_acount, c.stored, c.name .. ": stored")
        eq(#W.calls, 0, c.name .. ": writes")
        eq(ud(W):getStringForKey("dorv_acount", "Other"), c.stored or "Other", c.name .. ": read with another default")
        eq(ud(W):getStringForKey("dorv_acount"), "", c.name .. ": read without a default")
    end
    -- A default that looks like a blob is not unprotected either.
    local W = newWorld()
    eq(ud(W):getStringForKey("dorv_acount", PREFIX .. "tseug"), PREFIX .. "tseug", "blob-like default")
    eq(#W.calls, 0, "blob-like default: writes")
end)

test("a non-string value goes through untouched", function()
    local W = newWorld()
    ud(W):setStringForKey("dorv_acount", 42)
    eq(W.store.dorv_acount, 42, "number stored as given")
end)

test("the UserDefault wrappers are installed once per state", function()
    local W = newWorld()
    local set = W.UD.setStringForKey
    eq(rawget(W.UD, "__zavu_secure"), true, "marker")
    -- Running the chunk again in the same state must not wrap twice.
    local chunk = assert(loadfile(scriptPath))
    setfenv(chunk, W.env)
    chunk()
    eq(W.UD.setStringForKey, set, "wrapped again")
    ud(W):setStringForKey("dorv_acount", "abc")
    eq(W.store.dorv_acount, PREFIX .. "cba", "protected once")
end)

test("without cc or without UserDefault the chunk still installs the require hook", function()
    for _, variant in ipairs({ "no cc", "no UserDefault", "cc raises", "UserDefault raises" }) do
        local W = newWorld({
            modules = { Platform = {} },
            native = function() return "n" end,
            env = function(env)
                local hostile = { __index = function(_, k) error("no field " .. tostring(k)) end }
                if variant == "no cc" then env.cc = nil
                elseif variant == "no UserDefault" then env.cc.UserDefault = nil
                elseif variant == "cc raises" then env.cc = setmetatable({}, hostile)
                else env.cc.UserDefault = setmetatable({ setStringForKey = function() end }, hostile) end
            end,
        })
        local P = W.env.require("Platform")
        eq(P:callNativeFunc("PlatformQolavi", "x", ""), "n", variant)
    end
end)

-- Platform routing ----------------------------------------------------------

local function platformWorld(native, withNE)
    local origCalls = {}
    local P = {}
    function P.callNativeFunc(...)
        table.insert(origCalls, { n = select("#", ...), ... })
        return "orig", "second"
    end
    if withNE then
        function P.callNativeFuncNotError(...)
            table.insert(origCalls, { n = select("#", ...), ne = true, ... })
            return false, "origNE"
        end
    end
    local W = newWorld({ modules = { Platform = P }, native = native })
    return W, W.env.require("Platform"), origCalls
end

test("callNativeFunc: native answers win, no answer falls back with all five arguments", function()
    local cases = {
        { name = "string answer", native = function() return "success|1" end, want = "success|1", orig = 0 },
        { name = "false is an answer", native = function() return false end, want = false, orig = 0 },
        { name = "nil falls back", native = function() return nil end, want = "orig", orig = 1 },
        { name = "error falls back", native = function() error("boom") end, want = "orig", orig = 1 },
    }
    for _, c in ipairs(cases) do
        local W, P, origCalls = platformWorld(c.native)
        local r1, r2 = P:callNativeFunc("PlatformQolavi", "loginGoogle", "args", "sig")
        eq(r1, c.want, c.name)
        eq(#origCalls, c.orig, c.name .. ": own function calls")
        eq(#W.natives, 1, c.name .. ": native calls")
        local n = W.natives[1]
        eq(n[1] .. "|" .. n[2] .. "|" .. n[3], "PlatformQolavi|loginGoogle|args", c.name .. ": native arguments")
        if c.orig == 1 then
            eq(r2, "second", c.name .. ": all results of the own function")
            local o = origCalls[1]
            eq(o.n, 5, c.name .. ": argument count")
            eq(o[1], P, "self")
            eq(table.concat({ o[2], o[3], o[4], o[5] }, ","), "PlatformQolavi,loginGoogle,args,sig", "arguments")
        end
    end
end)

test("callNativeFunc without an own function gives nil when native has no answer", function()
    local W = newWorld({ modules = { Platform = {} } })
    local P = W.env.require("Platform")
    eq(select("#", P:callNativeFunc("Other", "m", "a", "s")), 1, "result count")
    eq(P:callNativeFunc("Other", "m", "a", "s"), nil, "result")
    eq(P.callNativeFuncNotError, nil, "not-error variant invented")
end)

test("callNativeFuncNotError: true and the answer, else the own function with all arguments", function()
    local W, P, origCalls = platformWorld(function(cls) if cls == "PlatformQolavi" then return "tok" end end, true)
    local ok, r = P:callNativeFuncNotError("PlatformQolavi", "getToken", "", "s")
    eq(ok, true, "first result")
    eq(r, "tok", "answer")
    eq(#origCalls, 0, "own function ran")
    ok, r = P:callNativeFuncNotError("Other", "m", "a", "s")
    eq(ok, false, "own first result")
    eq(r, "origNE", "own second result")
    eq(origCalls[1].n, 5, "argument count")
    eq(origCalls[1].ne, true, "the not-error original ran")
end)

test("Platform is wrapped once however often it is required; other modules are left alone", function()
    local W, P = platformWorld(function() return nil end)
    local wrapped = P.callNativeFunc
    eq(P.__zavu_win, true, "marker")
    W.env.require("Platform")
    eq(P.callNativeFunc, wrapped, "wrapped again")
    P:callNativeFunc("PlatformQolavi", "x", "")
    eq(#W.natives, 1, "native called more than once per call")

    local Other = { callNativeFunc = function() return "own" end }
    W.modules.Other = Other
    local f = Other.callNativeFunc
    eq(W.env.require("Other"), Other, "module returned")
    eq(Other.callNativeFunc, f, "other module changed")
    for _, r in ipairs(W.required) do eq(r.n, 1, "arguments passed to the previous require") end
end)

-- Gateway prefetch ----------------------------------------------------------

local GW = "http://gw.test/list?a=1"

local function dorvWorld(opts)
    opts = opts or {}
    local D = { normal = {} }
    function D.httpGetJson(url, func, err)
        table.insert(D.normal, { url = url, func = func, err = err })
        return "normal-result"
    end
    opts.modules = { DorvTools = D }
    local W = newWorld(opts)
    W.D = W.env.require("DorvTools")
    return W, W.D
end

local function finish(W, status, body)
    local x = W.requests[1]
    x.status, x.response = status, body
    for _, h in ipairs(x.handlers) do h() end
end

test("prefetch starts at the first require with the gateway file's first token", function()
    local W, D = dorvWorld()
    eq(#W.requests, 1, "requests")
    local x = W.requests[1]
    eq(x.responseType, 4, "responseType")
    eq(x.opened[1] .. " " .. x.opened[2], "GET " .. GW, "open")
    eq(x.sent, 1, "send")
    eq(#x.handlers, 1, "handler")
    eq(W.log[1], "[ZAVUGW] prefetch start " .. GW, "log line")
    W.env.require("DorvTools")
    eq(#W.requests, 1, "a second require started another prefetch")
    eq(D.__zavu_gwpf, true, "marker")
end)

test("the gateway address is the file's first token, after any blanks and line breaks", function()
    for _, text in ipairs({ "   " .. GW, "\n" .. GW .. "\n", "\r\n\t  " .. GW .. " x", " \n \n" .. GW .. "\r\n" }) do
        local W, D = dorvWorld({ files = { ["vexa/gateway"] = text } })
        local what = string.format("%q", text)
        eq(#W.requests, 1, what .. ": requests")
        eq(W.requests[1].opened[2], GW, what .. ": URL")
        local got = 0
        D.httpGetJson(GW, function() got = got + 1 end)
        finish(W, 200, "{}")
        eq(got, 1, what .. ": served from the prefetch")
        eq(#D.normal, 0, what .. ": normal requests")
    end
end)

test("no gateway address: no prefetch, and every call passes through", function()
    for _, files in ipairs({ {}, { ["vexa/gateway"] = "" }, { ["vexa/gateway"] = " \n\t " } }) do
        local W, D = dorvWorld({ files = files })
        eq(#W.requests, 0, "requests")
        eq(#W.log, 0, "log lines")
        eq(D.httpGetJson(GW, function() end), "normal-result", "pass-through result")
        eq(#D.normal, 1, "normal request")
    end
end)

test("a call before the answer is served from the request handler; netErrfunc is not used", function()
    local W, D = dorvWorld()
    local got = {}
    local r = D.httpGetJson(GW, function(d) table.insert(got, d) end, function() fail("netErr called") end)
    eq(r, nil, "wrapper returned a value")
    eq(#got, 0, "delivered before the answer")
    finish(W, 200, '{"Res":"http://x/list"}')
    eq(#got, 1, "deliveries")
    eq(got[1].text, '{"Res":"http://x/list"}', "data")
    eq(#D.normal, 0, "normal request made")
    eq(W.log[2], "[ZAVUGW] prefetch done status=200 bytes=23", "done line")
    eq(W.log[3], "[ZAVUGW] GW recv (prefetched)", "recv line")
    eq(W.scheduled(), 0, "scheduled anything")
end)

test("a call after the answer is served on the next frame, once", function()
    local W, D = dorvWorld()
    finish(W, 200, '{"a":1}')
    local got = 0
    eq(D.httpGetJson(GW, function() got = got + 1 end), nil, "wrapper returned a value")
    eq(got, 0, "delivered inside the call")
    W.tick()
    eq(got, 1, "delivered on the next frame")
    eq(W.scheduled(), 0, "entry left scheduled")
    W.tick()
    eq(got, 1, "delivered again")
    eq(#D.normal, 0, "normal request made")
end)

test("a URL that only starts like the gateway's, or holds it, is the game's own request", function()
    local W, D = dorvWorld()
    for i, url in ipairs({ GW .. "&x=1", GW .. " ", "x" .. GW, GW:sub(1, -2) }) do
        eq(D.httpGetJson(url, function() fail("prefetch used for " .. url) end), "normal-result", url .. ": result")
        eq(#D.normal, i, url .. ": normal requests")
        eq(D.normal[i].url, url, url .. ": url")
    end
    -- The prefetch is still there for the real gateway request.
    local got = 0
    D.httpGetJson(GW, function() got = got + 1 end)
    finish(W, 200, "{}")
    eq(got, 1, "gateway request served from the prefetch")
end)

test("only the first matching call uses the prefetch", function()
    local W, D = dorvWorld()
    D.httpGetJson("http://gw.test/list", function() end) -- not the same URL
    eq(#D.normal, 1, "different URL")

    local first = 0
    D.httpGetJson(GW, function() first = first + 1 end)
    eq(D.httpGetJson(GW, function() end), "normal-result", "second matching call")
    eq(#D.normal, 2, "normal requests")
    finish(W, 200, "{}")
    eq(first, 1, "first matching call served")
end)

test("unusable answers fall back to the normal request, logged once", function()
    local cases = {
        { name = "transport failure", status = 0, body = nil, bytes = -1 },
        { name = "empty body", status = 200, body = "", bytes = 0 },
        { name = "not json", status = 200, body = "<html>", bytes = 6 },
        { name = "not a table", status = 200, body = "123", bytes = 3 },
        { name = "no json global", status = 200, body = "{}", bytes = 2, json = false },
        { name = "decode not a function", status = 200, body = "{}", bytes = 2,
          env = function(env) env.json = { decode = "x" } end },
    }
    for _, c in ipairs(cases) do
        for _, before in ipairs({ true, false }) do
            local W, D = dorvWorld({ json = c.json, env = c.env })
            local errf = function() end
            local got = 0
            local function call() D.httpGetJson(GW, function() got = got + 1 end, errf) end
            if before then call() end
            finish(W, c.status, c.body)
            if not before then call(); W.tick() end
            local what = c.name .. (before and " (waiting)" or " (after)")
            eq(got, 0, what .. ": func called")
            eq(#D.normal, 1, what .. ": normal requests")
            eq(D.normal[1].url, GW, what .. ": url")
            eq(D.normal[1].err, errf, what .. ": netErrfunc handed on")
            eq(logCount(W, "[ZAVUGW] prefetch khong dung duoc"), 1, what .. ": fallback lines")
            eq(logHas(W, "[ZAVUGW] prefetch khong dung duoc (status=" .. c.status .. ") -> tai lai qua mang"), true,
               what .. ": fallback line text")
            eq(logHas(W, "[ZAVUGW] prefetch done status=" .. c.status .. " bytes=" .. c.bytes), true, what .. ": done line")
        end
    end
end)

test("an error page that decodes to a table is delivered; the status is not examined", function()
    local W, D = dorvWorld()
    local got
    D.httpGetJson(GW, function(d) got = d end)
    finish(W, 404, '{"error":"nope"}')
    eq(got and got.text, '{"error":"nope"}', "data")
    eq(#D.normal, 0, "normal request made")
end)

test("a failing waiter is logged and does not stop the next one", function()
    local W, D = dorvWorld()
    D.httpGetJson(GW, function() error("game broke") end)
    -- Only one game call can wait; reach the record through the handler to
    -- put a second waiter behind the failing one.
    local handler, pf = W.requests[1].handlers[1], nil
    for i = 1, 20 do
        local name, value = debug.getupvalue(handler, i)
        if name == nil then break end
        if name == "pf" then pf = value end
    end
    assert(pf, "prefetch record not found")
    local ran = 0
    table.insert(pf.waiters, function() ran = ran + 1 end)
    finish(W, 200, "{}")
    eq(ran, 1, "second waiter")
    eq(logCount(W, "[ZAVUGW] loi trao ket qua: "), 1, "error lines")
    eq(W.log[#W.log]:find("game broke", 1, true) ~= nil, true, "error text in " .. W.log[#W.log])
    eq(#pf.waiters, 0, "waiters left")
end)

test("modules whose fields raise are returned unchanged by require", function()
    -- A strict module: reading a field it does not have raises, as some
    -- games' class helpers do; and one whose every new field raises.
    local function strict(t)
        return setmetatable(t, { __index = function(_, k) error("no field " .. tostring(k)) end })
    end
    local function locked(t)
        return setmetatable(t, { __newindex = function(_, k) error("locked " .. tostring(k)) end })
    end
    for _, kind in ipairs({ "strict", "locked" }) do
        local make = kind == "strict" and strict or locked
        local ownCall = function() return "own" end
        local ownGet = function() return "own get" end
        local P = make({ callNativeFunc = ownCall })
        local D = make({ httpGetJson = ownGet })
        local W = newWorld({ modules = { Platform = P, DorvTools = D }, native = function() return "native" end })
        for round = 1, 2 do
            local what = kind .. " round " .. round
            local okP, rP = pcall(W.env.require, "Platform")
            eq(okP, true, what .. ": require Platform raised " .. tostring(rP))
            eq(rP, P, what .. ": Platform module")
            eq(rawget(P, "callNativeFunc"), ownCall, what .. ": callNativeFunc changed")
            eq(rawget(P, "__zavu_win"), nil, what .. ": Platform marker")
            local okD, rD = pcall(W.env.require, "DorvTools")
            eq(okD, true, what .. ": require DorvTools raised " .. tostring(rD))
            eq(rD, D, what .. ": DorvTools module")
            eq(rawget(D, "httpGetJson"), ownGet, what .. ": httpGetJson changed")
            eq(rawget(D, "__zavu_gwpf"), nil, what .. ": DorvTools marker")
        end
        eq(#W.requests, 0, kind .. ": prefetch started")
        eq(logCount(W, "[ZAVUGW] loi boc httpGetJson: "), 1, kind .. ": wrap error lines")
        eq(P:callNativeFunc("PlatformQolavi", "x", ""), "own", kind .. ": own function answers")
    end
end)

test("wrapping and prefetch errors are logged and the module still loads", function()
    local W = newWorld({ fileUtilsRaises = true, modules = { DorvTools = { httpGetJson = function() return "n" end } } })
    local D = W.env.require("DorvTools")
    eq(logCount(W, "[ZAVUGW] loi nap truoc gateway: "), 1, "prefetch error line")
    eq(D.httpGetJson(GW, function() end), "n", "pass-through after a failed prefetch")

    -- A module table whose httpGetJson cannot be replaced.
    local ro = setmetatable({}, {
        __index = { httpGetJson = function() return "ro" end },
        __newindex = function(t, k, v)
            if k == "httpGetJson" then error("read-only") end
            rawset(t, k, v)
        end,
    })
    W = newWorld({ modules = { DorvTools = ro } })
    eq(W.env.require("DorvTools"), ro, "module returned")
    eq(logCount(W, "[ZAVUGW] loi boc httpGetJson: "), 1, "wrap error line")
    eq(#W.requests, 1, "prefetch still started")
end)

test("a scheduler that raises makes the call run the normal request at once", function()
    local W, D = dorvWorld({ schedulerRaises = true })
    finish(W, 200, "{}")
    eq(D.httpGetJson(GW, function() fail("prefetch delivered") end), "normal-result", "result of the normal request")
    eq(#D.normal, 1, "normal requests")
end)

test("logging falls back to print and never raises", function()
    local W = dorvWorld({ noReleasePrint = true })
    eq(W.log[1], "[ZAVUGW] prefetch start " .. GW, "print line")
    W = dorvWorld({ env = function(env) env.release_print = function() error("log broke") end end })
    finish(W, 200, "{}") -- would raise out of the handler if logging were not protected
    eq(#W.requests, 1, "requests")
end)

io.write(string.format("%d tests, %d failed\n", count, failures))
os.exit(failures == 0 and 0 or 1)
