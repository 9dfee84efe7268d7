-- Runs once in the game's Lua state, after the native globals are registered
-- and before the first game script. It changes three things without touching
-- the game's scripts:
--   1. the saved account name ("dorv_acount" in cc.UserDefault) is kept as a
--      protected blob; a plain value stored earlier is protected on first read;
--   2. the first gateway request of DorvTools.httpGetJson is answered from a
--      prefetch of the same URL, started when DorvTools is first required;
--   3. Platform's native calls go to zavu_native first and to the module's
--      own implementation only when zavu_native gives no answer.
-- Each change sets a marker on the table it changed, so it happens once.
-- Everything that can raise runs under pcall: this chunk must never break
-- the game's start.

local G = _G

local function gwlog(msg)
    pcall(function()
        local out = rawget(G, "release_print") or print
        out("[ZAVUGW] " .. tostring(msg))
    end)
end

-- 1. Saved account protection --------------------------------------------

local SEC = { dorv_acount = true }

local function protectOrEmpty(v)
    local p = zavu_secure_protect(v)
    if p == nil then return "" end
    return p
end

do
    local cc = rawget(G, "cc")
    local UD = type(cc) == "table" and cc.UserDefault or nil
    if type(UD) == "table" and type(UD.setStringForKey) == "function" and not rawget(UD, "__zavu_secure") then
        rawset(UD, "__zavu_secure", true)
        local rawSet = UD.setStringForKey
        local rawGet = UD.getStringForKey

        UD.setStringForKey = function(self, k, v, ...)
            if SEC[k] and type(v) == "string" and v ~= "" then
                v = protectOrEmpty(v)
            end
            return rawSet(self, k, v, ...)
        end

        UD.getStringForKey = function(self, k, ...)
            if not SEC[k] then return rawGet(self, k, ...) end
            -- Read without the caller's default: only a value really stored
            -- is unprotected or migrated, never the default.
            local v = rawGet(self, k)
            if type(v) ~= "string" or v == "" then return rawGet(self, k, ...) end
            local dec, why = zavu_secure_unprotect(v)
            if dec ~= nil then return dec end
            if why == "notblob" then
                -- Stored before protection existed: protect it now. When
                -- protection fails the plain value stays as it is; writing
                -- the empty string over it would lose the player's name.
                local p = zavu_secure_protect(v)
                if p ~= nil then rawSet(self, k, p) end
                return v
            end
            return ""
        end
    end
end

-- 2. Gateway prefetch ------------------------------------------------------

local GWPF = {}

local function nextFrame(fn)
    local sch = cc.Director:getInstance():getScheduler()
    local id
    id = sch:scheduleScriptFunc(function()
        sch:unscheduleScriptEntry(id)
        fn()
    end, 0, false)
end

local function startPrefetch()
    if GWPF.pf then return end
    local fu = cc.FileUtils:getInstance()
    if not fu:isFileExist("vexa/gateway") then return end
    local s = fu:getStringFromFile("vexa/gateway")
    if type(s) ~= "string" or s == "" then return end
    local url = string.match(s, "%S+")
    if not url then return end

    local pf = { url = url, done = false, waiters = {}, consumed = false }
    local xhr = cc.XMLHttpRequest:new()
    -- With this engine the response then reads as the body text once the
    -- request has completed without a transport error, else nil.
    xhr.responseType = 4
    xhr:open("GET", url)
    xhr:registerScriptHandler(function()
        pf.done = true
        pf.resp = xhr.response
        pf.status = xhr.status
        local bytes = -1
        if type(pf.resp) == "string" then bytes = #pf.resp end
        gwlog("prefetch done status=" .. tostring(pf.status) .. " bytes=" .. bytes)
        local waiting = pf.waiters
        pf.waiters = {}
        for _, w in ipairs(waiting) do
            local ok, err = pcall(w)
            if not ok then gwlog("loi trao ket qua: " .. tostring(err)) end
        end
    end)
    xhr:send()
    GWPF.pf = pf
    gwlog("prefetch start " .. url)
end

local function wrapHttpGetJson(m)
    local orig = m.httpGetJson
    m.httpGetJson = function(fullurl, func, netErrfunc)
        local pf = GWPF.pf
        if not (pf and not pf.consumed and pf.url == fullurl) then
            return orig(fullurl, func, netErrfunc)
        end
        pf.consumed = true

        local function deliver()
            local data
            pcall(function()
                if type(pf.resp) ~= "string" or pf.resp == "" then return end
                local J = rawget(G, "json")
                if not J or type(J.decode) ~= "function" then return end
                local okj, d = pcall(J.decode, pf.resp)
                if okj and type(d) == "table" then data = d end
            end)
            if data == nil then
                gwlog("prefetch khong dung duoc (status=" .. tostring(pf.status) .. ") -> tai lai qua mang")
                orig(fullurl, func, netErrfunc)
                return
            end
            gwlog("GW recv (prefetched)")
            func(data)
        end

        if pf.done then
            local ok = pcall(nextFrame, deliver)
            if not ok then return orig(fullurl, func, netErrfunc) end
        else
            table.insert(pf.waiters, deliver)
        end
    end
end

-- 3. Platform routing and the require hook ---------------------------------

local function routePlatform(m)
    m.__zavu_win = true
    local orig = m.callNativeFunc
    local origNE = m.callNativeFuncNotError

    m.callNativeFunc = function(self, cls, mth, args, sig)
        local ok, r = pcall(zavu_native, cls, mth, args)
        if ok and r ~= nil then return r end
        if orig then return orig(self, cls, mth, args, sig) end
        return nil
    end

    if origNE then
        m.callNativeFuncNotError = function(self, cls, mth, args, sig)
            local ok, r = pcall(zavu_native, cls, mth, args)
            if ok and r ~= nil then return true, r end
            return origNE(self, cls, mth, args, sig)
        end
    end
end

local _req = require
require = function(n)
    local m = _req(n)
    if n == "Platform" and type(m) == "table" and not m.__zavu_win then
        routePlatform(m)
    elseif n == "DorvTools" and type(m) == "table" and type(m.httpGetJson) == "function"
        and not m.__zavu_gwpf then
        m.__zavu_gwpf = true
        local ok, err = pcall(wrapHttpGetJson, m)
        if not ok then gwlog("loi boc httpGetJson: " .. tostring(err)) end
        ok, err = pcall(startPrefetch)
        if not ok then gwlog("loi nap truoc gateway: " .. tostring(err)) end
    end
    return m
end
