// UserDefault: the in-memory values, their XML file, and the safe rewrite.
#include "base/CCUserDefault.h"

#include "base/CCConsole.h"
#include "base/ccUTF8.h"
#include "platform/CCFileUtils.h"

#include <cstdlib>
#include <cstring>

namespace cocos2d {
namespace {

constexpr char kFileName[] = "UserDefault.xml";
constexpr char kRoot[] = "userDefaultRoot";
constexpr char kBrokenSuffix[] = ".bad";

UserDefault* g_instance = nullptr;

bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'; }

void appendEscaped(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        case '\r': out += "&#13;"; break;  // a raw CR would be normalised away on reading
        default: out += c;
        }
    }
}

// A small reader for the file's own shape: declaration, root, flat children
// with text only. Anything else is a broken file.
class Reader {
public:
    explicit Reader(const std::string& text) : _s(text) {}

    bool document(std::map<std::string, std::string>& values) {
        skipSpace();
        if (startsWith("<?")) {
            const std::size_t end = _s.find("?>", _pos);
            if (end == std::string::npos) return false;
            _pos = end + 2;
        }
        skipSpace();
        std::string root;
        bool empty = false;
        if (!openTag(root, empty) || root != kRoot) return false;
        if (!empty) {
            for (;;) {
                skipSpace();
                if (startsWith("</")) break;
                std::string key, value;
                bool childEmpty = false;
                if (!openTag(key, childEmpty)) return false;
                if (!childEmpty && (!text(value) || !closeTag(key))) return false;
                values[key] = value;
            }
            if (!closeTag(root)) return false;
        }
        skipSpace();
        return _pos == _s.size();
    }

private:
    bool startsWith(const char* t) const { return _s.compare(_pos, std::strlen(t), t) == 0; }
    void skipSpace() {
        while (_pos < _s.size() && (_s[_pos] == ' ' || _s[_pos] == '\t' || _s[_pos] == '\r' || _s[_pos] == '\n')) ++_pos;
    }
    bool name(std::string& out) {
        if (_pos >= _s.size() || !isNameStart(_s[_pos])) return false;
        const std::size_t start = _pos;
        while (_pos < _s.size() && isNameChar(_s[_pos])) ++_pos;
        out = _s.substr(start, _pos - start);
        return true;
    }
    bool openTag(std::string& out, bool& empty) {
        if (_pos >= _s.size() || _s[_pos] != '<') return false;
        ++_pos;
        if (!name(out)) return false;
        skipSpace();
        empty = startsWith("/>");
        if (empty) {
            _pos += 2;
            return true;
        }
        if (_pos >= _s.size() || _s[_pos] != '>') return false;
        ++_pos;
        return true;
    }
    bool closeTag(const std::string& expected) {
        if (!startsWith("</")) return false;
        _pos += 2;
        std::string got;
        if (!name(got) || got != expected) return false;
        skipSpace();
        if (_pos >= _s.size() || _s[_pos] != '>') return false;
        ++_pos;
        return true;
    }
    bool text(std::string& out) {
        while (_pos < _s.size() && _s[_pos] != '<') {
            const char c = _s[_pos];
            if (c != '&') {
                if (c != '\r') out += c;
                ++_pos;
                continue;
            }
            const std::size_t end = _s.find(';', _pos);
            if (end == std::string::npos) return false;
            const std::string entity = _s.substr(_pos + 1, end - _pos - 1);
            _pos = end + 1;
            if (entity == "amp") out += '&';
            else if (entity == "lt") out += '<';
            else if (entity == "gt") out += '>';
            else if (entity == "quot") out += '"';
            else if (entity == "apos") out += '\'';
            else if (!numericEntity(entity, out)) return false;
        }
        return _pos < _s.size();
    }
    static bool numericEntity(const std::string& entity, std::string& out) {
        if (entity.size() < 2 || entity[0] != '#') return false;
        const bool hex = entity[1] == 'x' || entity[1] == 'X';
        const std::string digits = entity.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) return false;
        char* end = nullptr;
        const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (*end != '\0' || cp == 0 || cp > 0x10FFFF) return false;
        std::string encoded;
        if (!StringUtils::UTF32ToUTF8(std::u32string(1, static_cast<char32_t>(cp)), encoded)) return false;
        out += encoded;
        return true;
    }

    const std::string& _s;
    std::size_t _pos = 0;
};

} // namespace

UserDefault* UserDefault::getInstance() {
    if (g_instance == nullptr) g_instance = new UserDefault();
    return g_instance;
}

void UserDefault::destroyInstance() {
    delete g_instance;
    g_instance = nullptr;
}

UserDefault::UserDefault() {
    _thread.check("UserDefault");
    FileUtils* files = FileUtils::getInstance();
    _path = files->getWritablePath() + kFileName;
    if (!files->isFileExist(_path)) return;
    const std::string text = files->getStringFromFile(_path);
    if (text.empty() || parse(text, _values)) return;
    // Keep the unreadable file for whoever looks into it; the next save would
    // otherwise replace it.
    log("UserDefault: %s cannot be read; kept as %s%s, starting empty", _path.c_str(), _path.c_str(), kBrokenSuffix);
    if (!files->writeStringToFile(text, _path + kBrokenSuffix)) {
        log("UserDefault: cannot keep a copy of %s", _path.c_str());
    }
    _values.clear();
}

std::string UserDefault::getStringForKey(const char* key) { return getStringForKey(key, std::string()); }

std::string UserDefault::getStringForKey(const char* key, const std::string& defaultValue) {
    _thread.check("getStringForKey");
    if (key == nullptr) return defaultValue;
    const auto found = _values.find(key);
    return found == _values.end() ? defaultValue : found->second;
}

bool UserDefault::setStringForKey(const char* key, const std::string& value) {
    _thread.check("setStringForKey");
    if (key == nullptr || !isValidKey(key)) {
        log("UserDefault: key \"%s\" is not a valid name; not saved", key ? key : "(null)");
        return false;
    }
    auto found = _values.find(key);
    if (found != _values.end() && found->second == value) return true;
    _values[key] = value;
    return save();
}

bool UserDefault::save() {
    FileUtils* files = FileUtils::getInstance();
    const std::size_t slash = _path.find_last_of("/\\");
    if (slash != std::string::npos) files->createDirectory(_path.substr(0, slash + 1));
    if (files->writeStringToFile(serialize(_values), _path)) return true;
    log("UserDefault: cannot write %s", _path.c_str());
    return false;
}

bool UserDefault::isValidKey(const std::string& key) {
    if (key.empty() || !isNameStart(key[0])) return false;
    for (char c : key) {
        if (!isNameChar(c)) return false;
    }
    return true;
}

std::string UserDefault::serialize(const std::map<std::string, std::string>& values) {
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<";
    out += kRoot;
    out += ">\n";
    for (const auto& entry : values) {
        out += "    <" + entry.first + ">";
        appendEscaped(out, entry.second);
        out += "</" + entry.first + ">\n";
    }
    out += "</";
    out += kRoot;
    out += ">\n";
    return out;
}

bool UserDefault::parse(const std::string& text, std::map<std::string, std::string>& values) {
    std::map<std::string, std::string> read;
    if (!Reader(text).document(read)) {
        values.clear();
        return false;
    }
    values.swap(read);
    return true;
}

} // namespace cocos2d
