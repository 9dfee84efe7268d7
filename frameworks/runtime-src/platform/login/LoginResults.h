// The result strings the login flows hand to Lua: fields joined by "|",
// nothing escaped.
#pragma once

#include <string>

constexpr const char kResultFailed[] = "faild";  // spelled so: the game compares with it
constexpr const char kResultTokenPrefix[] = "token|";
constexpr const char kResultTicketPrefix[] = "ticket|";

// "success|" userid "|" sign "|" timestamp "|" userid: the game reads the
// user id again in the fifth field.
std::string loginSuccessResult(const std::string& userid, const std::string& sign, const std::string& timestamp);
