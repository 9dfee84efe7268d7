#include "platform/login/LoginTestSupport.h"

#include "platform/storage/Base64.h"
#include "platform/login/CurlOwners.h"
#include "platform/login/LuaResultDelivery.h"
#include "platform/login/NativeDispatch.h"

#include "proj.win32/Win32.h"

#include "rapidjson/document.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#ifndef PATCH_SERVER_HOST
#error "PATCH_SERVER_HOST must be defined by the build"
#endif
#ifndef RELOGIN_SERVICE_HOST
#error "RELOGIN_SERVICE_HOST must be defined by the build"
#endif

namespace logintest {

namespace {

const char kLuaHelpers[] = R"(
results = {}
function cb() return {function(r) results[#results + 1] = r end} end
function callbackFunctions()
  local n = 0
  for _, v in pairs(debug.getregistry()) do if type(v) == "function" then n = n + 1 end end
  return n
end
)";

size_t collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

DispatchLua::DispatchLua() {
    EXPECT_TRUE(stack_.init());
    L_ = stack_.getLuaState();
    // As the bridge's registration makes it: the results' main state, then the global.
    setMainLuaState(L_);
    lua_pushcclosure(L_, luaZavuNative, 0);
    lua_setfield(L_, LUA_GLOBALSINDEX, "zavu_native");
    EXPECT_EQ(run(kLuaHelpers), "nil");
}

std::string DispatchLua::run(const std::string& code) {
    const int top = lua_gettop(L_);
    std::string text;
    if (luaL_loadstring(L_, code.c_str()) != 0 || lua_pcall(L_, 0, 1, 0) != 0) {
        text = std::string("error: ") + (lua_tostring(L_, -1) ? lua_tostring(L_, -1) : "?");
    } else if (lua_type(L_, -1) == LUA_TSTRING) {
        text = lua_tostring(L_, -1);
    } else if (lua_isboolean(L_, -1)) {
        text = lua_toboolean(L_, -1) ? "true" : "false";
    } else if (lua_type(L_, -1) == LUA_TNUMBER) {
        text = "number:" + std::to_string(static_cast<long long>(lua_tonumber(L_, -1)));
    } else if (lua_isnil(L_, -1)) {
        text = "nil";
    } else {
        text = lua_typename(L_, lua_type(L_, -1));
    }
    lua_settop(L_, top);
    return text;
}

std::vector<std::string> DispatchLua::results() {
    std::vector<std::string> out;
    lua_getglobal(L_, "results");
    for (int i = 1; lua_istable(L_, -1); ++i) {
        lua_rawgeti(L_, -1, i);
        if (lua_isnil(L_, -1)) {
            lua_pop(L_, 1);
            break;
        }
        out.push_back(lua_tostring(L_, -1) ? lua_tostring(L_, -1) : "(not a string)");
        lua_pop(L_, 1);
    }
    lua_pop(L_, 1);
    return out;
}

int DispatchLua::registryFunctions() {
    const std::string n = run("return callbackFunctions()");
    return n.rfind("number:", 0) == 0 ? std::stoi(n.substr(7)) : -1;
}

std::string fixtureControl(const char* method, const std::string& what, const std::string& body) {
    CurlEasyHandle curl(curl_easy_init());
    if (!curl) {
        ADD_FAILURE() << "curl_easy_init";
        return std::string();
    }
    const std::string url = "http://" PATCH_SERVER_HOST "/_fixture/" + what;
    std::string answer;
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_CUSTOMREQUEST, method);
    if (std::string(method) != "GET") {
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(curl.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    }
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, 10L);
    const CURLcode code = curl_easy_perform(curl.get());
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    if (code != CURLE_OK || status != 200) {
        ADD_FAILURE() << "fixture control " << method << " " << what << ": curl " << code << ", HTTP " << status
                      << " " << answer;
        return std::string();
    }
    return answer;
}

std::string reloginSiteKey() {
    const std::string host = RELOGIN_SERVICE_HOST;
    return "port-" + host.substr(host.rfind(':') + 1);
}

void scriptReloginService(const std::string& routesJson) {
    fixtureControl("PUT", "site/" + reloginSiteKey(), "{\"routes\": " + routesJson + "}");
}

int fixturePort(int offset) {
    const std::string host = PATCH_SERVER_HOST;
    return std::stoi(host.substr(host.rfind(':') + 1)) + offset;
}

void scriptPortSite(int port, const std::string& routesJson) {
    fixtureControl("PUT", "site/port-" + std::to_string(port), "{\"routes\": " + routesJson + "}");
}

namespace {
std::vector<LoggedRequest> requestsOfSite(const std::string& key);
}

std::vector<LoggedRequest> reloginRequests() { return requestsOfSite(reloginSiteKey()); }

std::vector<LoggedRequest> portSiteRequests(int port) { return requestsOfSite("port-" + std::to_string(port)); }

namespace {
std::vector<LoggedRequest> requestsOfSite(const std::string& key) {
    std::vector<LoggedRequest> out;
    const std::string text = fixtureControl("GET", "log/" + key);
    rapidjson::Document log;
    log.Parse(text.c_str());
    if (log.HasParseError() || !log.IsArray()) {
        ADD_FAILURE() << "request log is not a JSON array: " << text;
        return out;
    }
    const auto str = [](const rapidjson::Value& entry, const char* key) {
        auto it = entry.FindMember(key);
        return it != entry.MemberEnd() && it->value.IsString() ? std::string(it->value.GetString()) : std::string();
    };
    for (const rapidjson::Value& entry : log.GetArray()) {
        LoggedRequest request;
        request.method = str(entry, "method");
        request.path = str(entry, "path");
        request.scheme = str(entry, "scheme");
        request.contentType = str(entry, "content_type");
        request.body = str(entry, "body");
        auto status = entry.FindMember("status");
        if (status != entry.MemberEnd() && status->value.IsInt()) request.status = status->value.GetInt();
        auto complete = entry.FindMember("complete");
        request.complete = complete != entry.MemberEnd() && complete->value.IsBool() && complete->value.GetBool();
        out.push_back(request);
    }
    return out;
}
}  // namespace

std::string jsonQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string base64Url(const std::string& text) {
    std::string out = base64Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    for (char& c : out) c = c == '+' ? '-' : c == '/' ? '_' : c;
    while (!out.empty() && out.back() == '=') out.pop_back();
    return out;
}

std::string idToken(const std::string& payloadJson, const std::string& signature) {
    return base64Url(R"({"alg":"RS256","typ":"JWT"})") + "." + base64Url(payloadJson) + "." + signature;
}

std::string nonceOf(const std::string& url) {
    const size_t at = url.find("&nonce=");
    if (at == std::string::npos) return std::string();
    const size_t start = at + 7;
    return url.substr(start, url.find('&', start) - start);
}

std::string executableFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, n);
    path.resize(path.find_last_of(L"\\/") + 1);
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1) ::WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, &narrow[0], size, nullptr, nullptr);
    return narrow;
}

void installCaBundle(Bundle which) {
    rapidjson::Document ping;
    ping.Parse(fixtureControl("GET", "ping").c_str());
    ASSERT_TRUE(!ping.HasParseError() && ping.IsObject() && ping.HasMember("state") && ping["state"].IsString());
    // The server's state folder is a Linux path: wine shows the root as Z:.
    const std::string name = "ca.pem";
    const std::string pem = readWholeFile(std::string("Z:") + ping["state"].GetString() + "/" + name);
    ASSERT_NE(pem.find("BEGIN CERTIFICATE"), std::string::npos) << name;
    std::ofstream out(executableFolder() + "cacert.pem", std::ios::binary | std::ios::trunc);
    out << pem;
    ASSERT_TRUE(out.good());
}

void presentOnReloginPort(ReloginCertificate which) {
    const std::string port = reloginSiteKey().substr(std::strlen("port-"));
    if (which == ReloginCertificate::Own) {
        fixtureControl("DELETE", "certificate/" + port);
        return;
    }
    // Bounded, so that a test that dies here leaves the port as it was soon after.
    const long long until = static_cast<long long>(std::time(nullptr)) + 120;
    fixtureControl("PUT", "certificate/" + port,
                   "{\"certificate\": \"untrusted\", \"until\": " + std::to_string(until) + "}");
}

}  // namespace logintest
