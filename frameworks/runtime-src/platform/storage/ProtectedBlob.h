// The protected blob: "ZAVUDP1:" followed by the base64 of a Data Protection
// API blob made for the current Windows user. Text, so it can sit in files and
// Lua strings. Any thread.
#pragma once

#include <string>

extern const char kProtectedBlobPrefix[];  // "ZAVUDP1:"

bool isProtectedBlob(const std::string& text);

// The blob of plain's exact bytes (embedded NULs included); empty when the
// system refuses to protect.
std::string protectString(const std::string& plain);

// 1: plain set. 0: text does not begin with the prefix. -1: the rest is not
// base64, decodes to nothing, or cannot be unprotected. plain is written only
// on 1.
int unprotectString(const std::string& text, std::string& plain);
