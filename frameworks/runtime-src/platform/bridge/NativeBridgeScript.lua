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
-- Every step of the chunk and every piece of work the hooks do on their own
-- (markers, wrapping, prefetch, native calls, decoding, logging) runs under
-- pcall: this chunk must never break the game's start, and a table it cannot
-- read or mark is left as it was. Errors of the game's own functions and
-- arguments still reach the game, as they would without the chunk.

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

-- Everything is read before anything is changed: a UserDefault that cannot
-- be read stays as it was.
pcall(function()
    local cc = rawget(G, "cc")
    if type(cc) ~= "table" then return end
    local UD = cc.UserDefault
    if type(UD) ~= "table" or rawget(UD, "__zavu_secure") then return end
    local rawSet = UD.setStringForKey
    local rawGet = UD.getStringForKey
    if type(rawSet) ~= "function" then return end
    rawset(UD, "__zavu_secure", true)

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
end)

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

-- Reads the module before changing it: a module whose fields raise when
-- read is returned as it was.
local function routePlatform(m)
    if m.__zavu_win then return end
    local orig = m.callNativeFunc
    local origNE = m.callNativeFuncNotError
    m.__zavu_win = true

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

local function hookDorvTools(m)
    if type(m.httpGetJson) ~= "function" or m.__zavu_gwpf then return end
    m.__zavu_gwpf = true
    local ok, err = pcall(wrapHttpGetJson, m)
    if not ok then gwlog("loi boc httpGetJson: " .. tostring(err)) end
    ok, err = pcall(startPrefetch)
    if not ok then gwlog("loi nap truoc gateway: " .. tostring(err)) end
end

-- Modules whose markers could not be read or set: tried once, not at every
-- require, so a hostile module costs one log line.
local refused = setmetatable({}, { __mode = "k" })

local _req = require
require = function(n)
    local m = _req(n)
    if type(m) ~= "table" or refused[m] then return m end
    if n == "Platform" then
        if not pcall(routePlatform, m) then refused[m] = true end
    elseif n == "DorvTools" then
        local ok, err = pcall(hookDorvTools, m)
        if not ok then
            refused[m] = true
            gwlog("loi boc httpGetJson: " .. tostring(err))
        end
    end
    return m
end
