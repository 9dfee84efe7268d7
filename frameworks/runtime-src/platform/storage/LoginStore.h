// The saved login: key=value lines kept protected for the current Windows
// user in "zavu_login.txt" of the writable folder. Main thread only; every
// read and write goes to the file, nothing is cached.
#pragma once

#include <initializer_list>
#include <map>
#include <string>

using LoginStoreMap = std::map<std::string, std::string>;

std::string loginStorePath();
LoginStoreMap parseKeyValueLines(const std::string& text);
LoginStoreMap loadLoginStore();
void saveLoginStore(const LoginStoreMap& store);

// Empty when the key is absent (or when the file cannot be read at the moment).
std::string getSavedLoginValue(const char* key);
// Writes nothing while the file cannot be read: it may hold everything saved.
void setSavedLoginValue(const char* key, const std::string& value);
// The logout: each key set to an empty value, one full cycle each, in order.
// When the emptied store cannot be written protected, the file is removed
// (nothing is left to protect), and that is logged.
void clearSavedLoginValues(std::initializer_list<const char*> keys);
