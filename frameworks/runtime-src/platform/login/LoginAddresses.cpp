#include "platform/login/LoginAddresses.h"

#if !defined(USER_SITE_HOST) || !defined(RELOGIN_SERVICE_HOST) || !defined(GOOGLE_AUTH_HOST)
#error "USER_SITE_HOST, RELOGIN_SERVICE_HOST and GOOGLE_AUTH_HOST must be defined by the build"
#endif

#define USER_SITE "https://" USER_SITE_HOST "/"
#define GOOGLE_CALLBACK_PAGE USER_SITE "gcallback.php"

const char kTelegramLoginPage[] = USER_SITE "tglogin.php?from=app";
const char kTelegramBindPage[] = USER_SITE "tglogin.php?from=bindsocial";
const char kGoogleLoginPage[] = USER_SITE "glogin.php?from=app";
const char kTelegramLoginPrefix[] = "zavu://tgdone";
const char kGoogleLoginPrefix[] = "zavu://gdone";
const char kTelegramBindPrefix[] = "zavu://tgbind";
const char kGoogleIdTokenCallbackPrefix[] = GOOGLE_CALLBACK_PAGE "#";
const char kGoogleAuthEndpoint[] = "https://" GOOGLE_AUTH_HOST "/o/oauth2/v2/auth";
const char kGoogleClientId[] = "481516234200-qp7xw2mzk4ntr8vhy3jd6lcbs9ef5ga1.oauth-clients.example.test";
const char kReloginService[] = "https://" RELOGIN_SERVICE_HOST "/app_relogin.php";

const std::string& googleRedirectParam() {
    static const std::string param = [] {
        std::string encoded;
        for (const char* c = GOOGLE_CALLBACK_PAGE; *c; ++c) {
            if (*c == ':') encoded += "%3A";
            else if (*c == '/') encoded += "%2F";
            else encoded += *c;
        }
        return "&redirect_uri=" + encoded;
    }();
    return param;
}
