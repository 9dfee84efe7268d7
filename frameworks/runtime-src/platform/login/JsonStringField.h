// One value out of the re-login service's JSON answer, found by searching for
// the first quoted key anywhere in the text (nested objects included), not by
// parsing the document: the service's answers have always been read so.
#pragma once

#include <string>

// The value after the first "key" and the ":" that follows it: a JSON string
// (escapes decoded, "\u00e1" as UTF-8) or the run of digits and "-" found
// there. Empty when the key is missing, the string is not closed or badly
// escaped, or the value is true, false, null, an object or an array.
std::string jsonStringField(const std::string& json, const char* key);
