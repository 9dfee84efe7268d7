#include "platform/login/JsonStringField.h"

#include "base/ccUTF8.h"

namespace {

bool readHex4(const std::string& text, size_t at, unsigned& out) {
    if (at + 4 > text.size()) return false;
    out = 0;
    for (size_t i = at; i < at + 4; ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return false;
        out = out * 16 + digit;
    }
    return true;
}

// The JSON string whose opening quote is at text[open]; false when it is not
// closed or carries an escape JSON does not have.
bool readJsonString(const std::string& text, size_t open, std::string& out) {
    for (size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size()) return false;
        switch (text[i]) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            unsigned cp;
            if (!readHex4(text, i + 1, cp)) return false;
            i += 4;
            if (cp >= 0xD800 && cp <= 0xDBFF) {  // a high surrogate needs its low half
                unsigned low;
                if (i + 2 >= text.size() || text[i + 1] != '\\' || text[i + 2] != 'u' ||
                    !readHex4(text, i + 3, low) || low < 0xDC00 || low > 0xDFFF)
                    return false;
                i += 6;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                return false;
            }
            std::string encoded;
            if (!cocos2d::StringUtils::UTF32ToUTF8(std::u32string(1, static_cast<char32_t>(cp)), encoded))
                return false;
            out += encoded;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

}  // namespace

std::string jsonStringField(const std::string& json, const char* key) {
    const std::string quotedKey = "\"" + std::string(key) + "\"";
    const size_t p = json.find(quotedKey);
    if (p == std::string::npos) return std::string();
    size_t c = json.find(':', p + quotedKey.size());
    if (c == std::string::npos) return std::string();
    ++c;
    while (c < json.size() && (json[c] == ' ' || json[c] == '\t')) ++c;
    if (c < json.size() && json[c] == '"') {
        std::string value;
        if (!readJsonString(json, c, value)) return std::string();
        return value;
    }
    size_t end = c;
    while (end < json.size() && ((json[end] >= '0' && json[end] <= '9') || json[end] == '-')) ++end;
    return json.substr(c, end - c);
}
