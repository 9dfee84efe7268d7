// The Data Protection API behind the protected blob: bytes protected for the
// current Windows user with the saved login's description and entropy. Any
// thread; no state.
#pragma once

#include <string>
#include <vector>

// The protected blob's raw bytes, or false when the system refuses.
bool protectForCurrentUser(const std::string& plain, std::vector<unsigned char>& protectedBytes);
// plain is written only on success.
bool unprotectForCurrentUser(const std::vector<unsigned char>& protectedBytes, std::string& plain);
