// The eleven texts of the update screen and the language table that replaces
// them. Main thread.
//
// Each text starts out as its own key (set during static initialisation), so
// a text no table provides shows as its key. AutoUpdate::loadLanguage
// replaces them once per process from "autoupdate/lang.json".
#pragma once

#include "rapidjson/fwd.h"

#include <string>

extern std::string au_checkupdate;
extern std::string au_update;
extern std::string reserr_0;
extern std::string reserr_1_0;
extern std::string reserr_1_1;
extern std::string reserr_2;
extern std::string reserr_3;
extern std::string alert_title;
extern std::string alert_retry;
extern std::string gwerr_net;
extern std::string gwerr_json;

// The table's member for a system language code: "th" for Thai, "tw" for
// Chinese, "vi" for everything else (the empty code included).
const char* languageTableCode(const std::string& systemLanguageCode);

// Replaces each text whose key the table has as a string member (up to the
// value's first NUL); other members, values of other types and a table that
// is not an object change nothing.
void applyLanguageTable(const rapidjson::Value& table);

// Parses jsonText and applies the table chosen for systemLanguageCode: the
// object named by its table code, else the "en" object, else the root. Logs
// "lang.json jsonerr: %d" on a parse error (texts unchanged), otherwise
// "autoupdate lang: locale='%s' -> '%s'".
void loadLanguageTable(const std::string& jsonText, const std::string& systemLanguageCode);
