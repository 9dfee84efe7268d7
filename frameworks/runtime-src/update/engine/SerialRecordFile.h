// Replacing the "LocalResSignSn" record in the resources folder so that a
// crash or a failed write never leaves an empty or half record (which would
// wipe the caches on the next start): the text goes to a temporary file,
// which then takes the record's name in one step.
#pragma once

#include <string>

// resourcesDir is UTF-8 and ends with '/'. False when the record could not be
// replaced; the previous record then stays as it was.
bool writeSerialRecord(const std::string& resourcesDir, const std::string& text);
