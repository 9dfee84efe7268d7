// The fixed addresses of the login flows. The hosts are build settings
// (USER_SITE_HOST, RELOGIN_SERVICE_HOST, GOOGLE_AUTH_HOST); paths, queries and
// prefixes are fixed.
#pragma once

#include <string>

extern const char kTelegramLoginPage[];
extern const char kTelegramBindPage[];
extern const char kGoogleLoginPage[];
extern const char kTelegramLoginPrefix[];
extern const char kGoogleLoginPrefix[];
extern const char kTelegramBindPrefix[];
// The callback page followed by "#": the token comes in the fragment.
extern const char kGoogleIdTokenCallbackPrefix[];
extern const char kGoogleAuthEndpoint[];
extern const char kGoogleClientId[];
extern const char kReloginService[];

// "&redirect_uri=" and the callback page with ":" and "/" percent-encoded.
const std::string& googleRedirectParam();
