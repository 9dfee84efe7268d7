#include "platform/login/SilentRelogin.h"

#include "platform/login/CurlOwners.h"
#include "platform/login/HttpPostForm.h"
#include "platform/login/JsonStringField.h"
#include "platform/login/LoginAddresses.h"
#include "platform/login/LoginResults.h"
#include "platform/storage/LoginStore.h"
#include "platform/login/LuaResultDelivery.h"

#include "base/CCConsole.h"

#include <climits>
#include <string>

namespace {

std::string reloginBody(const std::string& refreshToken) {
    std::string body = "rt=";
    // With its length: every byte of the token goes, none is taken for its end.
    if (refreshToken.size() > static_cast<size_t>(INT_MAX)) return body;
    if (CurlString escaped{curl_escape(refreshToken.data(), static_cast<int>(refreshToken.size()))})
        body += escaped.get();
    return body;
}

// Saved only when it can be sent back whole and read back as one line.
bool isUsableRefreshToken(const std::string& token) {
    static const char kBreaks[] = {'\r', '\n', '\0'};
    return token.find_first_of(std::string(kBreaks, sizeof kBreaks)) == std::string::npos;
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
    if (!newToken.empty() && !isUsableRefreshToken(newToken)) {
        // The login itself stands; the old token stays for the next time.
        cocos2d::log("[ZAVU] dang nhap lai: ma lam moi moi co ky tu NUL hoac xuong dong, giu ma cu");
    } else if (!newToken.empty()) {
        setSavedLoginValue(refreshTokenKey, newToken);
    }
    deliverLuaResult(luaRef, loginSuccessResult(userid, sign, timestamp));
}
