#include "platform/login/IdToken.h"

#include "platform/storage/Base64.h"

#include "rapidjson/document.h"

#include <vector>

namespace {

// base64url (RFC 4648, section 5) through the standard decoder: the two
// letters of the URL alphabet mapped back, the padding left optional.
bool base64UrlDecode(std::string text, std::vector<unsigned char>& out) {
    for (char& c : text) {
        if (c == '-') c = '+';
        else if (c == '_') c = '/';
        else if (c == '+' || c == '/') return false;  // not of this alphabet
    }
    return base64Decode(text, out);
}

}  // namespace

std::string idTokenNonce(const std::string& idToken) {
    const size_t firstDot = idToken.find('.');
    if (firstDot == std::string::npos) return std::string();
    const size_t secondDot = idToken.find('.', firstDot + 1);
    const std::string payload = idToken.substr(
        firstDot + 1, secondDot == std::string::npos ? std::string::npos : secondDot - firstDot - 1);
    std::vector<unsigned char> json;
    if (payload.empty() || !base64UrlDecode(payload, json) || json.empty()) return std::string();
    rapidjson::Document claims;
    claims.Parse(reinterpret_cast<const char*>(json.data()), json.size());
    if (claims.HasParseError() || !claims.IsObject()) return std::string();
    const auto nonce = claims.FindMember("nonce");
    if (nonce == claims.MemberEnd() || !nonce->value.IsString()) return std::string();
    return std::string(nonce->value.GetString(), nonce->value.GetStringLength());
}
