// The one reusable top-level window that hosts the WebView2 view for top-up
// pages and web logins. Main thread only (it is also the window's message
// thread and the thread WebView2 calls back on).
#pragma once

#include <functional>
#include <string>

// Opens or reuses the window on url (UTF-8); package (UTF-8, may be empty) is
// the top-up package of the one shop redirect. True when the window is
// showing, or about to show, the page.
bool openWebWindow(const std::string& url, const std::string& package);

// Opens url in login-intercept mode. onResult gets, once, the UTF-8 text of
// the first navigated URI that begins with callbackPrefix, or "" when the
// user closes the window first. It is never called when the opening fails or
// when a newer openWebLogin replaces it.
bool openWebLogin(const std::string& url, const std::string& callbackPrefix,
                  std::function<void(const std::string&)> onResult);
