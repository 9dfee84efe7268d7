// Where the update engine keeps its files and the patch-server URL rule. Any
// thread.
#pragma once

#include <cstdio>
#include <string>

// Writable path + "auc/Resources/", fixed at its first use for the process.
const std::string& getResourcesDir();
// Writable path + "auc/Downloads/", computed on every call.
std::string getDownloadsDir();

// "http://" + patch server host + "/".
std::string patchServerPlainRoot();
// A URL that begins (byte-exact) with the plain-http root of the patch
// server gets the https root instead; any other URL stays as it is.
void upgradePatchUrl(std::string& url);

// fopen with a UTF-8 path, through the wide-character CRT call.
FILE* openFileUtf8(const std::string& path, const wchar_t* mode);

// A UTF-8 path as the wide-character file calls take it: in the long form
// ("\\?\...") from the length where plain paths fail, by the engine's rule.
// openFileUtf8 opens by it.
std::wstring win32FilePath(const std::string& path);
