// Hands the asynchronous results of the platform calls to their one-shot Lua
// callbacks, kept as registry references (-1: none). Main thread only.
//
// Which state calls Lua: inside a `zavu_native` call, the caller's state
// (the script's own call is running there); otherwise the main state kept at
// registration. The state of an earlier caller is never used later: it may
// have been a coroutine that is gone by then. Registry references are shared
// by all threads of one Lua state, so the main state reaches every one.
#pragma once

#include <string>

struct lua_State;

// At registration. Callbacks made under an earlier main state are forgotten
// (neither called nor released: that state may be closed).
void setMainLuaState(lua_State* L);

// Marks the state of one `zavu_native` call for its duration; nests.
class CallingLuaStateScope {
public:
    explicit CallingLuaStateScope(lua_State* L);
    ~CallingLuaStateScope();
    CallingLuaStateScope(const CallingLuaStateScope&) = delete;
    CallingLuaStateScope& operator=(const CallingLuaStateScope&) = delete;

private:
    lua_State* previous_;
};

// Calls the function behind luaRef with text (up to its first NUL) in a
// protected call, whose error is dropped, and releases the reference in every
// case. -1, or no state: nothing happens.
void deliverLuaResult(int luaRef, const std::string& text);

// A callback waiting for a later result (a web login). It is handed to one
// delivery through claim(); when the last copy goes without a claim (the web
// window dropped the login), its reference is released without a call.
class PendingLuaCallback {
public:
    explicit PendingLuaCallback(int luaRef);
    ~PendingLuaCallback();
    PendingLuaCallback(const PendingLuaCallback&) = delete;
    PendingLuaCallback& operator=(const PendingLuaCallback&) = delete;

    // True once, with the reference for the one delivery in *luaRef (-1 when
    // the script gave no function: the flow still runs). False after the
    // first claim, or when the main state has changed since it was made.
    bool claim(int* luaRef);

private:
    int luaRef_;
    bool claimed_;
    unsigned generation_;
};
