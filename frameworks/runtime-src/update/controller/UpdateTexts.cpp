#include "update/controller/UpdateTexts.h"

#include "cocos2d.h"
#include "update/controller/AutoUpdate.h"

#include "rapidjson/document.h"

using namespace cocos2d;

std::string au_checkupdate = "au_checkupdate";
std::string au_update = "au_update";
std::string reserr_0 = "reserr_0";
std::string reserr_1_0 = "reserr_1_0";
std::string reserr_1_1 = "reserr_1_1";
std::string reserr_2 = "reserr_2";
std::string reserr_3 = "reserr_3";
std::string alert_title = "alert_title";
std::string alert_retry = "alert_retry";
std::string gwerr_net = "gwerr_net";
std::string gwerr_json = "gwerr_json";

namespace {

const char* const kLanguageFile = "autoupdate/lang.json";

struct TextSlot {
    const char* key;
    std::string* text;
};

// The order in which a table is applied.
const TextSlot kTexts[] = {
    {"au_checkupdate", &au_checkupdate}, {"au_update", &au_update},     {"reserr_0", &reserr_0},
    {"reserr_1_0", &reserr_1_0},         {"reserr_1_1", &reserr_1_1},   {"reserr_2", &reserr_2},
    {"reserr_3", &reserr_3},             {"alert_title", &alert_title}, {"alert_retry", &alert_retry},
    {"gwerr_net", &gwerr_net},           {"gwerr_json", &gwerr_json},
};

bool startsWith(const std::string& text, const char* prefix) { return text.compare(0, 2, prefix) == 0; }

// The member called name when it is an object, else null.
const rapidjson::Value* objectMember(const rapidjson::Value& root, const char* name) {
    if (!root.IsObject()) return nullptr;
    const auto member = root.FindMember(name);
    if (member == root.MemberEnd() || !member->value.IsObject()) return nullptr;
    return &member->value;
}

}  // namespace

const char* languageTableCode(const std::string& systemLanguageCode) {
    if (startsWith(systemLanguageCode, "th")) return "th";
    if (startsWith(systemLanguageCode, "zh")) return "tw";
    return "vi";
}

void applyLanguageTable(const rapidjson::Value& table) {
    // rapidjson asserts (or worse, in release builds) on lookups in a value
    // of the wrong type, so every type is checked first.
    if (!table.IsObject()) return;
    for (const TextSlot& slot : kTexts) {
        const auto member = table.FindMember(slot.key);
        if (member == table.MemberEnd() || !member->value.IsString()) continue;
        *slot.text = member->value.GetString();  // up to the first NUL
    }
}

void loadLanguageTable(const std::string& jsonText, const std::string& systemLanguageCode) {
    rapidjson::Document document;
    // Up to a NUL; a byte-order mark is an error (3). Iterative: the
    // recursive parser runs out of stack on a hostile depth of arrays.
    document.Parse<rapidjson::kParseIterativeFlag>(jsonText.c_str());
    if (document.HasParseError()) {
        log("lang.json jsonerr: %d", static_cast<int>(document.GetParseError()));
        return;
    }
    const char* tableCode = languageTableCode(systemLanguageCode);
    log("autoupdate lang: locale='%s' -> '%s'", systemLanguageCode.c_str(), tableCode);

    const rapidjson::Value* table = objectMember(document, tableCode);
    if (table == nullptr) table = objectMember(document, "en");
    if (table == nullptr) table = &document;
    applyLanguageTable(*table);
}

void AutoUpdate::loadLanguage() {
    const std::string text = FileUtils::getInstance()->getStringFromFile(kLanguageFile);
    std::string code;
    if (Application* application = Application::getInstance()) {
        if (const char* current = application->getCurrentLanguageCode()) code = current;
    }
    loadLanguageTable(text, code);
}
