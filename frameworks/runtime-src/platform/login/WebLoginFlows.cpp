#include "platform/login/WebLoginFlows.h"

#include "platform/login/IdToken.h"
#include "platform/login/LoginAddresses.h"
#include "platform/login/LoginResults.h"
#include "platform/storage/LoginStore.h"
#include "platform/login/LuaResultDelivery.h"
#include "platform/login/Nonce.h"
#include "platform/login/UrlParams.h"
#include "platform/webwindow/WebWindow.h"

#include "base/CCConsole.h"

#include <functional>
#include <memory>

namespace {

// Opens the window in login mode; the parse function gets the reference of
// the one delivery. A start failure delivers "faild" inside the caller's call.
void startIntercept(const std::string& url, const char* callbackPrefix, int luaRef,
                    std::function<void(int luaRef, const std::string& interceptedUrl)> parse) {
    auto pending = std::make_shared<PendingLuaCallback>(luaRef);
    const bool opened = openWebLogin(url, callbackPrefix, [pending, parse](const std::string& interceptedUrl) {
        int ref = -1;
        if (pending->claim(&ref)) parse(ref, interceptedUrl);
    });
    int ref = -1;
    if (!opened && pending->claim(&ref)) deliverLuaResult(ref, kResultFailed);
}

}  // namespace

void webLoginStart(const char* method, const char* url, const char* callbackPrefix, const char* refreshTokenKey,
                   int luaRef) {
    const WebLoginContext context{luaRef, method, refreshTokenKey};
    startIntercept(url, callbackPrefix, luaRef, [context](int ref, const std::string& interceptedUrl) {
        WebLoginContext claimed = context;
        claimed.luaRef = ref;
        parseLoginCallback(claimed, interceptedUrl);
    });
}

void parseLoginCallback(const WebLoginContext& context, const std::string& url) {
    const std::string code = getQueryParam(url, "code");
    const std::string userid = getQueryParam(url, "userid");
    const std::string sign = getQueryParam(url, "sign");
    const std::string timestamp = getQueryParam(url, "timestamp");
    const std::string rt = getQueryParam(url, "rt");
    if (code != "1000" || userid.empty() || sign.empty()) {
        deliverLuaResult(context.luaRef, kResultFailed);
        return;
    }
    setSavedLoginValue("method", context.method);
    if (!rt.empty()) setSavedLoginValue(context.refreshTokenKey.c_str(), rt);
    deliverLuaResult(context.luaRef, loginSuccessResult(userid, sign, timestamp));
}

std::string googleIdTokenUrl(const std::string& nonce) {
    return std::string(kGoogleAuthEndpoint) + "?client_id=" + kGoogleClientId + "&response_type=id_token" +
           googleRedirectParam() + "&scope=openid%20email" + "&prompt=select_account" + "&nonce=" + nonce;
}

void googleIdTokenLogin(int luaRef) {
    const std::string nonce = makeNonce();
    if (nonce.empty()) {
        cocos2d::log("[ZAVU] getGoogleIdToken: khong tao duoc nonce");
        deliverLuaResult(luaRef, kResultFailed);
        return;
    }
    startIntercept(googleIdTokenUrl(nonce), kGoogleIdTokenCallbackPrefix, luaRef,
                   [nonce](int ref, const std::string& interceptedUrl) {
                       parseIdTokenCallback(ref, interceptedUrl, nonce);
                   });
}

void parseIdTokenCallback(int luaRef, const std::string& url, const std::string& sentNonce) {
    const std::string token = urlFragmentParam(url, "id_token");
    if (token.empty()) {
        deliverLuaResult(luaRef, kResultFailed);
        return;
    }
    // A token for another request (or none at all) is not this login's answer.
    if (sentNonce.empty() || idTokenNonce(token) != sentNonce) {
        cocos2d::log("[ZAVU] getGoogleIdToken: id_token khong mang nonce da gui, bo qua");
        deliverLuaResult(luaRef, kResultFailed);
        return;
    }
    deliverLuaResult(luaRef, kResultTokenPrefix + token);
}

void bindTelegramLogin(int luaRef) { startIntercept(kTelegramBindPage, kTelegramBindPrefix, luaRef, parseBindCallback); }

void parseBindCallback(int luaRef, const std::string& url) {
    const std::string code = urlQueryParamRaw(url, "code");
    const std::string ticket = urlQueryParamRaw(url, "ticket");
    const bool bound = code == "1000" && !ticket.empty();
    deliverLuaResult(luaRef, bound ? kResultTicketPrefix + ticket : std::string(kResultFailed));
}
