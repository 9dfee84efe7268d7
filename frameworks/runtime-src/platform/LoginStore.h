// The saved login: key=value lines kept protected for the current Windows
// user in "zavu_login.txt" of the writable folder. Main thread only; every
// read and write goes to the file, nothing is cached.
#pragma once

#include <map>
#include <string>

using LoginStoreMap = std::map<std::string, std::string>;

std::string loginStorePath();
LoginStoreMap parseKeyValueLines(const std::string& text);
LoginStoreMap loadLoginStore();
void saveLoginStore(const LoginStoreMap& store);

// Empty when the key is absent.
std::string getSavedLoginValue(const char* key);
void setSavedLoginValue(const char* key, const std::string& value);
