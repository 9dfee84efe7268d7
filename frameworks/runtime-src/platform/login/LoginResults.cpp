#include "platform/login/LoginResults.h"

std::string loginSuccessResult(const std::string& userid, const std::string& sign, const std::string& timestamp) {
    return "success|" + userid + "|" + sign + "|" + timestamp + "|" + userid;
}
