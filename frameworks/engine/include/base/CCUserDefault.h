// Saved key/value strings of the game, kept in "UserDefault.xml" in the
// writable folder. Main thread only.
//
// The file is read when the instance is first made: one element per key,
// named after the key, holding the value as escaped text, under the root
// element "userDefaultRoot". Every change rewrites the whole file through
// FileUtils::writeStringToFile (temporary name, then moved into place), so a
// crash mid-write leaves the previous file.
//
// A file that cannot be read back is logged and moved aside to
// "UserDefault.xml.bad" before anything new is saved, so its contents are not
// overwritten. Keys must be XML names (letters, digits, '_', '-', '.', ':',
// starting with a letter or '_'); any other key is refused and logged,
// because it could not be written back as an element.
#pragma once

#include "base/CCThreadChecker.h"

#include <map>
#include <string>

namespace cocos2d {

class UserDefault {
public:
    static UserDefault* getInstance();
    // Drops the instance; the next getInstance() reads the file again.
    static void destroyInstance();

    // "" / defaultValue when the key is not saved.
    std::string getStringForKey(const char* key);
    std::string getStringForKey(const char* key, const std::string& defaultValue);
    // False when the key is refused or the file could not be written (the
    // value then stays in memory for this run).
    bool setStringForKey(const char* key, const std::string& value);

    // Nothing to do: every change is saved at once.
    void flush() {}

    // The full path of "UserDefault.xml" (writable path + name), fixed when
    // the instance was made.
    const std::string& getXMLFilePath() const { return _path; }

    static bool isValidKey(const std::string& key);
    // The file text for these values, and back; parse gives false for a
    // broken text and leaves values empty.
    static std::string serialize(const std::map<std::string, std::string>& values);
    static bool parse(const std::string& text, std::map<std::string, std::string>& values);

private:
    UserDefault();
    UserDefault(const UserDefault&) = delete;
    UserDefault& operator=(const UserDefault&) = delete;

    bool save();

    ThreadChecker _thread;
    std::string _path;
    std::map<std::string, std::string> _values;
};

} // namespace cocos2d
