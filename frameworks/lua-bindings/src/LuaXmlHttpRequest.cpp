// The userdata holds a shared_ptr to the request's state, which the response
// callback also holds: the callback finds the Lua object through a registry
// reference ("pin") taken at send, and does nothing once the object is gone
// (state closed). The handler and free fields live in the userdata's
// environment table, so a handler that refers to its own request does not
// keep it alive after the request has ended.
#include "LuaXmlHttpRequest.h"

#include "LuaClassSupport.h"

#include "base/CCConsole.h"
#include "network/HttpClient.h"
#include "network/HttpRequest.h"
#include "network/HttpResponse.h"

#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>

namespace cocos2d {
namespace {

using network::HttpClient;
using network::HttpRequest;
using network::HttpResponse;

constexpr char kClass[] = "XMLHttpRequest";
constexpr char kMeta[] = "cc.XMLHttpRequest";
constexpr char kMethodsKey[] = "cc.XMLHttpRequest.methods";
constexpr lua_Integer kMaxResponseType = 4;  // string, arraybuffer, blob, document, json

struct XhrState {
    lua_State* L = nullptr;  // null once the Lua object has been collected
    HttpRequest::Type type = HttpRequest::Type::UNKNOWN;
    std::string url;
    bool opened = false;
    bool inFlight = false;
    bool ended = false;
    bool transportFailed = false;
    long status = 0;
    std::string body;
    lua_Integer responseType = 0;
    int pinRef = LUA_NOREF;
};

using StatePtr = std::shared_ptr<XhrState>;

XhrState* check(lua_State* L) {
    auto* slot = static_cast<StatePtr*>(luaL_checkudata(L, 1, kMeta));
    return slot->get();
}

// Protected part of a response: unpin the object and run its handler.
int runHandler(lua_State* L) {
    auto* state = static_cast<XhrState*>(lua_touserdata(L, 1));
    lua_rawgeti(L, LUA_REGISTRYINDEX, state->pinRef);
    luaL_unref(L, LUA_REGISTRYINDEX, state->pinRef);
    state->pinRef = LUA_NOREF;
    if (!lua_isuserdata(L, -1)) return 0;
    lua_getfenv(L, -1);
    lua_getfield(L, -1, "handler");
    if (!lua_isfunction(L, -1)) return 0;
    lua_call(L, 0, 0);
    return 0;
}

void onResponse(const StatePtr& state, HttpResponse* response) {
    lua_State* L = state->L;
    if (L == nullptr) return;
    state->inFlight = false;
    state->ended = true;
    // -1: no status line arrived (refused, unreachable, time-out, TLS).
    state->transportFailed = response->getResponseCode() <= 0;
    state->status = state->transportFailed ? 0 : response->getResponseCode();
    state->body = state->transportFailed ? std::string() : response->getResponseDataString();

    lua_pushcfunction(L, runHandler);
    lua_pushlightuserdata(L, state.get());
    if (lua_pcall(L, 1, 0, 0) != 0) {
        const char* message = lua_tostring(L, -1);
        log("[LUA ERROR] %s", message != nullptr ? message : "(error object is not a string)");
        lua_pop(L, 1);
    }
}

int newRequest(lua_State* L) {
    void* block = lua_newuserdata(L, sizeof(StatePtr));
    bool failed = false;
    try {
        auto* slot = new (block) StatePtr(std::make_shared<XhrState>());
        (*slot)->L = mainState(L);
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) return luaL_error(L, "XMLHttpRequest:new: out of memory");
    luaL_getmetatable(L, kMeta);
    lua_setmetatable(L, -2);
    lua_newtable(L);
    lua_setfenv(L, -2);
    return 1;
}

int collect(lua_State* L) {
    auto* slot = static_cast<StatePtr*>(lua_touserdata(L, 1));
    if (slot == nullptr || !*slot) return 0;
    (*slot)->L = nullptr;
    slot->~StatePtr();
    new (slot) StatePtr();  // a second __gc finds an empty pointer
    return 0;
}

int open(lua_State* L) {
    XhrState* state = check(L);
    const char* method = luaL_checkstring(L, 2);
    const char* url = luaL_checkstring(L, 3);
    HttpRequest::Type type = HttpRequest::Type::UNKNOWN;
    if (_stricmp(method, "GET") == 0) type = HttpRequest::Type::GET;
    else if (_stricmp(method, "POST") == 0) type = HttpRequest::Type::POST;
    else if (_stricmp(method, "PUT") == 0) type = HttpRequest::Type::PUT;
    else if (_stricmp(method, "DELETE") == 0) type = HttpRequest::Type::DELETE;
    if (type == HttpRequest::Type::UNKNOWN) return luaL_argerror(L, 2, "GET, POST, PUT or DELETE expected");
    if (state->inFlight) return luaL_error(L, "XMLHttpRequest:open: a request is in flight");
    bool failed = false;
    try {
        state->url = url;
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) return luaL_error(L, "XMLHttpRequest:open: out of memory");
    state->type = type;
    state->opened = true;
    state->ended = false;
    state->transportFailed = false;
    state->status = 0;
    state->body.clear();
    return 0;
}

int registerScriptHandler(lua_State* L) {
    check(L);
    luaL_checktype(L, 2, LUA_TFUNCTION);
    lua_getfenv(L, 1);
    lua_pushvalue(L, 2);
    lua_setfield(L, -2, "handler");
    return 0;
}

int send(lua_State* L) {
    auto* slot = static_cast<StatePtr*>(luaL_checkudata(L, 1, kMeta));
    std::size_t size = 0;
    const char* data = luaL_optlstring(L, 2, nullptr, &size);
    XhrState* state = slot->get();
    if (!state->opened) return luaL_error(L, "XMLHttpRequest:send: open was not called");
    if (state->inFlight) return luaL_error(L, "XMLHttpRequest:send: a request is in flight");

    lua_pushvalue(L, 1);
    const int pin = luaL_ref(L, LUA_REGISTRYINDEX);
    bool failed = false;
    try {
        StatePtr shared = *slot;
        auto* request = new HttpRequest();
        request->setUrl(state->url);
        request->setRequestType(state->type);
        if (data != nullptr && size > 0) request->setRequestData(data, size);
        request->setResponseCallback(
            [shared](HttpClient*, HttpResponse* response) { onResponse(shared, response); });
        state->pinRef = pin;
        state->inFlight = true;
        state->ended = false;
        // Each request on its own: one that stalls must not hold back the
        // others, as the client's single queue would.
        HttpClient::getInstance()->sendImmediate(request);
        request->release();
    } catch (const std::exception&) {
        failed = true;
    }
    if (failed) {
        state->inFlight = false;
        state->pinRef = LUA_NOREF;
        luaL_unref(L, LUA_REGISTRYINDEX, pin);
        return luaL_error(L, "XMLHttpRequest:send: cannot start the request");
    }
    return 0;
}

// Properties first, then methods, then free fields.
int index(lua_State* L) {
    XhrState* state = check(L);
    const char* key = lua_tostring(L, 2);
    if (key != nullptr && lua_type(L, 2) == LUA_TSTRING) {
        if (std::strcmp(key, "status") == 0) {
            lua_pushinteger(L, static_cast<lua_Integer>(state->status));
            return 1;
        }
        if (std::strcmp(key, "responseType") == 0) {
            lua_pushinteger(L, state->responseType);
            return 1;
        }
        if (std::strcmp(key, "response") == 0) {
            if (state->ended && !state->transportFailed) lua_pushlstring(L, state->body.data(), state->body.size());
            else lua_pushnil(L);
            return 1;
        }
    }
    lua_getfield(L, LUA_REGISTRYINDEX, kMethodsKey);
    lua_pushvalue(L, 2);
    lua_rawget(L, -2);
    if (!lua_isnil(L, -1)) return 1;
    lua_getfenv(L, 1);
    lua_pushvalue(L, 2);
    lua_rawget(L, -2);
    return 1;
}

int newIndex(lua_State* L) {
    XhrState* state = check(L);
    if (lua_type(L, 2) == LUA_TSTRING) {
        const char* key = lua_tostring(L, 2);
        if (std::strcmp(key, "responseType") == 0) {
            const lua_Integer type = luaL_checkinteger(L, 3);
            luaL_argcheck(L, type >= 0 && type <= kMaxResponseType, 3, "response type 0..4 expected");
            state->responseType = type;
            return 0;
        }
        if (std::strcmp(key, "status") == 0 || std::strcmp(key, "response") == 0 || std::strcmp(key, "handler") == 0) {
            return luaL_error(L, "XMLHttpRequest.%s is read-only", key);
        }
    }
    lua_getfenv(L, 1);
    lua_pushvalue(L, 2);
    lua_pushvalue(L, 3);
    lua_rawset(L, -3);
    return 0;
}

const luaL_Reg kMethods[] = {
    {"open", open},
    {"registerScriptHandler", registerScriptHandler},
    {"send", send},
    {nullptr, nullptr},
};

} // namespace

void registerXmlHttpRequestBinding(lua_State* L) {
    lua_newtable(L);
    luaL_register(L, nullptr, kMethods);
    lua_setfield(L, LUA_REGISTRYINDEX, kMethodsKey);

    const luaL_Reg classFunctions[] = {{"new", newRequest}, {nullptr, nullptr}};
    registerClass(L, kClass, classFunctions);
    // Instances answer through __index / __newindex functions instead of the
    // class table: they have properties.
    luaL_getmetatable(L, kMeta);
    lua_pushcfunction(L, index);
    lua_setfield(L, -2, "__index");
    lua_pushcfunction(L, newIndex);
    lua_setfield(L, -2, "__newindex");
    lua_pushcfunction(L, collect);
    lua_setfield(L, -2, "__gc");
    lua_pop(L, 1);
}

} // namespace cocos2d
