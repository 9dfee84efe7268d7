// ConfigParser: "config.json" → start-up settings. Every value's type is
// checked before it is read, since rapidjson asserts on a wrong-type access
// and a hand-edited file must never bring the host down.
#include "ConfigParser.h"

#include "base/CCConsole.h"
#include "platform/CCFileUtils.h"

namespace simulator {
[[noreturn]] void jsonAccessFailed(const char* check);
}
// rapidjson guards wrong-type access with asserts that vanish in release
// builds, leaving reads of the wrong union member. Make them fatal in every
// build: the type checks below must keep them unreachable, and a test run
// shows at once when one is missing. rapidjson goes into a namespace of its
// own here, so these stricter inline functions cannot be merged at link time
// with another library's copies built with the default asserts.
#define RAPIDJSON_ASSERT(x) ((x) ? static_cast<void>(0) : simulator::jsonAccessFailed(#x))
#define RAPIDJSON_NAMESPACE simulatorjson
#define RAPIDJSON_NAMESPACE_BEGIN namespace simulatorjson {
#define RAPIDJSON_NAMESPACE_END }
#include <rapidjson/document.h>

#include <cfloat>
#include <cstdlib>
#include <utility>

namespace {

// Highest TCP port number; anything above cannot be listened on.
constexpr int kMaxPort = 65535;

const simulatorjson::Value* findMember(const simulatorjson::Value& object, const char* name)
{
    if (!object.IsObject()) return nullptr;
    const auto it = object.FindMember(name);
    if (it == object.MemberEnd()) return nullptr;
    return &it->value;
}

// A side of the view: a number that is not negative and fits a float.
bool readSide(const simulatorjson::Value* value, float& side)
{
    if (!value || !value->IsNumber()) return false;
    const double number = value->GetDouble();
    if (!(number >= 0.0) || number > FLT_MAX) return false;
    side = static_cast<float>(number);
    return true;
}

void readPort(const simulatorjson::Value* value, int& port)
{
    if (!value || !value->IsInt()) return;
    const int number = value->GetInt();
    if (number > 0 && number <= kMaxPort) port = number;
}

} // namespace

void simulator::jsonAccessFailed(const char* check)
{
    cocos2d::log("ConfigParser: JSON access without a type check (%s)", check);
    std::abort();
}

ConfigParser* ConfigParser::getInstance()
{
    static ConfigParser* instance = new ConfigParser();
    return instance;
}

ConfigParser::ConfigParser() = default;

bool ConfigParser::readConfig(const std::string& path)
{
    _thread.check("ConfigParser::readConfig");
    const std::string text = cocos2d::FileUtils::getInstance()->getStringFromFile(path);
    if (text.empty()) return false;

    simulatorjson::Document document;
    // The sized form reads through rapidjson's encoded stream, which skips a
    // UTF-8 byte-order mark and does not stop at an embedded NUL. The
    // iterative parser keeps its nesting on the heap: a recursive descent into
    // a file of thousands of "[" overflows the main thread's stack before any
    // window appears.
    document.Parse<simulatorjson::kParseDefaultFlags | simulatorjson::kParseIterativeFlag>(text.c_str(), text.size());
    if (document.HasParseError()) {
        cocos2d::log("read json file %s failed because of %d", path.c_str(),
                     static_cast<int>(document.GetParseError()));
        return false;
    }

    const simulatorjson::Value* init = findMember(document, "init_cfg");
    if (!init || !init->IsObject()) return true;

    float width = 0.0f;
    float height = 0.0f;
    if (readSide(findMember(*init, "width"), width) && readSide(findMember(*init, "height"), height)) {
        if (width < height) std::swap(width, height);
        _initViewSize = cocos2d::Size(width, height);
    }

    const simulatorjson::Value* landscape = findMember(*init, "isLandscape");
    if (landscape && landscape->IsBool()) _landscape = landscape->GetBool();

    const simulatorjson::Value* entry = findMember(*init, "entry");
    if (entry && entry->IsString()) _entryFile.assign(entry->GetString(), entry->GetStringLength());

    readPort(findMember(*init, "consolePort"), _consolePort);
    readPort(findMember(*init, "uploadPort"), _uploadPort);
    return true;
}

int ConfigParser::getConsolePort() const
{
    _thread.check("ConfigParser::getConsolePort");
    return _consolePort;
}

int ConfigParser::getUploadPort() const
{
    _thread.check("ConfigParser::getUploadPort");
    return _uploadPort;
}

cocos2d::Size ConfigParser::getInitViewSize() const
{
    _thread.check("ConfigParser::getInitViewSize");
    return _initViewSize;
}

void ConfigParser::setInitViewSize(const cocos2d::Size& size)
{
    _thread.check("ConfigParser::setInitViewSize");
    _initViewSize = size;
}

bool ConfigParser::isLandscape() const
{
    _thread.check("ConfigParser::isLandscape");
    return _landscape;
}

std::string ConfigParser::getEntryFile() const
{
    _thread.check("ConfigParser::getEntryFile");
    return _entryFile;
}
