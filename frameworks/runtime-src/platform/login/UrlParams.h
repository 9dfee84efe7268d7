// Reading values out of the callback URLs of the web logins. Each returns an
// empty string when the parameter is absent; a match counts only right after
// the separator that opens the part ("?" or "#") or after "&".
#pragma once

#include <string>

// Query value, "+" and "%XY" decoded. The query is not cut at "#": a fragment
// after the last parameter belongs to its value.
std::string getQueryParam(const std::string& url, const char* name);

// Query value as written; the query ends at the first "#" after the "?".
std::string urlQueryParamRaw(const std::string& url, const char* name);

// Fragment value as written (the fragment starts at the first "#").
std::string urlFragmentParam(const std::string& url, const char* name);
