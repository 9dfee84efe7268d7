// `cc.XMLHttpRequest` on the engine's HttpClient:
//   local xhr = cc.XMLHttpRequest:new()
//   xhr.responseType = 4         -- 0..4; any of them reads the body as text
//   xhr:open("GET", url)         -- GET, POST, PUT or DELETE
//   xhr:registerScriptHandler(fn)
//   xhr:send([body])
//   -- fn() runs once on the main thread when the request ends, whatever the outcome:
//   xhr.status                   -- HTTP status; 0 before the end and after a transport failure
//   xhr.response                 -- the body text once ended without a transport failure
//                                -- (an HTTP error status is not one), else nil
// Every send starts its own transfer at once (HttpClient::sendImmediate), so
// requests run side by side and a slow one delays no other; they take the
// client's settings (time-outs, certificate bundle) like queued ones.
// A request in flight keeps its object alive; open or send while one is in
// flight, and send before open, raise a Lua error. Other fields may be set
// and read back freely, as on the engine's objects.
#pragma once

struct lua_State;

namespace cocos2d {

void registerXmlHttpRequestBinding(lua_State* L);

} // namespace cocos2d
