// The logins that run in the web window: Telegram and Google sign-in, the
// Google ID token and the Telegram binding. Main thread only.
//
// One flow:
//   start --openWebLogin fails--> "faild" at once (inside the caller's call)
//     |
//   waiting --view reaches the prefix--> parse the URL --> one result
//     |      --user closes the window--> "faild"
//     |      --newer login / window destroyed--> dropped: never called, its
//     |                                          reference released
#pragma once

#include <string>

struct WebLoginContext {
    int luaRef;
    std::string method;           // "telegram" or "google": saved as "method"
    std::string refreshTokenKey;  // "tg_rt" or "gg_rt"
};

void webLoginStart(const char* method, const char* url, const char* callbackPrefix, const char* refreshTokenKey,
                   int luaRef);
void googleIdTokenLogin(int luaRef);
void bindTelegramLogin(int luaRef);

// The result callbacks: each delivers exactly one result for the intercepted
// URL ("" when the window was closed).
void parseLoginCallback(const WebLoginContext& context, const std::string& url);
// sentNonce: the nonce of the request; the id_token's payload must carry it.
void parseIdTokenCallback(int luaRef, const std::string& url, const std::string& sentNonce);
void parseBindCallback(int luaRef, const std::string& url);

// The authorization request of googleIdTokenLogin, with its nonce.
std::string googleIdTokenUrl(const std::string& nonce);
