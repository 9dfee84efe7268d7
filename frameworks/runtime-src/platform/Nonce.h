// The nonce sent with a Google ID-token request. Main thread only.
#pragma once

#include <string>

// 16 lower-case hex digits: the tick count, then a process-wide counter (the
// first call uses 1), so two calls in the same millisecond still differ.
std::string makeNonce();
