// The nonce sent with a Google ID-token request. Any thread.
#pragma once

#include <string>

// 16 lower-case hex digits from the system's random generator (64 random
// bits), so nobody can guess the one a request carries; empty when the
// generator fails.
std::string makeNonce();
