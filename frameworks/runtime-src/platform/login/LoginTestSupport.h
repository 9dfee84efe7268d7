// Helpers of the login tests: a Lua state with `zavu_native` registered,
// driven by chunks the way the game calls it, and the client side of the
// shared fixture server (the re-login service's scripted answers and its
// request log, the CA bundle beside the test executable).
#pragma once

#include "scripting/lua-bindings/manual/CCLuaStack.h"

#include <string>
#include <vector>

namespace logintest {

// A fresh Lua state with `zavu_native` registered as the bridge registers it
// (the results' main state, then the global). Lua helpers:
//   results            the strings delivered so far, in order
//   cb()               {function(r) results[#results+1] = r end}
//   callbackFunctions() count of functions held in the registry
class DispatchLua {
public:
    DispatchLua();
    lua_State* state() const { return L_; }
    // Runs a chunk that returns nothing or one value, rendered as text: a
    // string as is, nil as "nil", a boolean as "true"/"false", a number as
    // "number:<n>"; a load or run error as "error: <message>".
    std::string run(const std::string& code);
    std::vector<std::string> results();
    int registryFunctions();

private:
    cocos2d::LuaStack stack_;
    lua_State* L_;
};

// One HTTP control request to the fixture server; its body, or "" and a test
// failure when the server does not answer 200.
std::string fixtureControl(const char* method, const std::string& what, const std::string& body = std::string());

// The re-login service's host port: routes of the site "port-<port>".
std::string reloginSiteKey();
void scriptReloginService(const std::string& routesJson);

// The fixture server's ports: base (the patch server) + offset; 1 is the user
// site, 2 the re-login service, 3 the port whose certificate (same CA) names
// another host, 4 the one whose certificate comes from another CA.
int fixturePort(int offset);
// The routes of requests that come in on a port, outside any /s/ site.
void scriptPortSite(int port, const std::string& routesJson);

struct LoggedRequest {
    std::string method, path, scheme, contentType, body;
    int status = 0;
    bool complete = false;
};
std::vector<LoggedRequest> reloginRequests();
std::vector<LoggedRequest> portSiteRequests(int port);

// JSON text of a string (quotes included).
std::string jsonQuote(const std::string& text);

// base64url without padding (RFC 4648, section 5).
std::string base64Url(const std::string& text);
// An ID token of the JWT form: a header, the payload, and the signature text as given.
std::string idToken(const std::string& payloadJson, const std::string& signature = "c2lnbmF0dXJl");
// The nonce parameter of a request URL ("" when it has none).
std::string nonceOf(const std::string& url);

// "cacert.pem" beside the test executable: the fixture server's own CA. The
// login requests read it once per process, at their first request.
enum class Bundle { FixtureCa };
void installCaBundle(Bundle which);

// The certificate the re-login service's port presents: its own (from the
// bundle's CA), or one for the same host from a CA the bundle does not hold.
enum class ReloginCertificate { Own, FromAnotherCa };
void presentOnReloginPort(ReloginCertificate which);

std::string executableFolder();  // with a trailing backslash

}  // namespace logintest
