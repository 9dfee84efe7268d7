#include "platform/login/UrlParams.h"

namespace {

// The raw value of name inside url[begin, end), where url[begin] is the
// part's opening separator; npos when no counting match.
std::string rawValueIn(const std::string& url, size_t begin, size_t end, const char* name) {
    const std::string pattern = std::string(name) + "=";
    const std::string part = url.substr(begin, end - begin);
    size_t at = part.find(pattern);
    while (at != std::string::npos) {
        if (at > 0 && (part[at - 1] == part[0] || part[at - 1] == '&')) {
            const size_t valueStart = at + pattern.size();
            const size_t valueEnd = part.find('&', valueStart);
            return part.substr(valueStart, valueEnd == std::string::npos ? std::string::npos : valueEnd - valueStart);
        }
        at = part.find(pattern, at + 1);
    }
    return std::string();
}

// A character that is not a hexadecimal digit counts as 0: the login pages
// have always been read that way.
int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

std::string decodeQueryValue(const std::string& raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < raw.size()) {
            out += static_cast<char>((hexDigit(raw[i + 1]) * 16 + hexDigit(raw[i + 2])) & 0xFF);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string getQueryParam(const std::string& url, const char* name) {
    const size_t q = url.find('?');
    if (q == std::string::npos) return std::string();
    return decodeQueryValue(rawValueIn(url, q, url.size(), name));
}

std::string urlQueryParamRaw(const std::string& url, const char* name) {
    const size_t q = url.find('?');
    if (q == std::string::npos) return std::string();
    const size_t hash = url.find('#', q);
    return rawValueIn(url, q, hash == std::string::npos ? url.size() : hash, name);
}

std::string urlFragmentParam(const std::string& url, const char* name) {
    const size_t h = url.find('#');
    if (h == std::string::npos) return std::string();
    return rawValueIn(url, h, url.size(), name);
}
