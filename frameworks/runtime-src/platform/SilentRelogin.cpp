#include "platform/SilentRelogin.h"

#include "platform/CurlOwners.h"
#include "platform/HttpPostForm.h"
#include "platform/JsonStringField.h"
#include "platform/LoginAddresses.h"
#include "platform/LoginResults.h"
#include "platform/LoginStore.h"
#include "platform/LuaResultDelivery.h"

#include "base/CCConsole.h"

#include <string>

namespace {

std::string reloginBody(const std::string& refreshToken) {
    std::string body = "rt=";
    if (CurlString escaped{curl_escape(refreshToken.c_str(), 0)}) body += escaped.get();
    return body;
}

}  // namespace

void silentRelogin(const char* refreshTokenKey, int luaRef) {
    const std::string rt = getSavedLoginValue(refreshTokenKey);
    if (rt.empty()) {
        deliverLuaResult(luaRef, kResultFailed);
        return;
    }
    const FormPostAnswer answer = httpPostForm(kReloginService, reloginBody(rt));
    if (!answer.succeeded()) {
        deliverLuaResult(luaRef, kResultFailed);
        return;
    }
    const std::string code = jsonStringField(answer.body, "code");
    const std::string userid = jsonStringField(answer.body, "userid");
    const std::string sign = jsonStringField(answer.body, "sign");
    if (code != "1000" || userid.empty() || sign.empty()) {
        cocos2d::log("[ZAVU] dang nhap lai bi tu choi");
        deliverLuaResult(luaRef, kResultFailed);
        return;
    }
    const std::string timestamp = jsonStringField(answer.body, "timestamp");
    const std::string newToken = jsonStringField(answer.body, "rt");
    if (!newToken.empty()) setSavedLoginValue(refreshTokenKey, newToken);
    deliverLuaResult(luaRef, loginSuccessResult(userid, sign, timestamp));
}
