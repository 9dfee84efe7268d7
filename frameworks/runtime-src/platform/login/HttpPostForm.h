// The blocking form POST of the silent re-login. Main thread; the game's
// frames stop while it runs (at most kFormPostTimeoutSec).
#pragma once

#include <cstddef>
#include <string>

constexpr long kFormPostTimeoutSec = 20;  // whole transfer: the frames stop meanwhile
// A re-login answer is a few hundred bytes; a larger one is broken or hostile,
// and must not make the 32-bit process allocate without bound.
constexpr size_t kMaxFormAnswerBytes = 64 * 1024;

struct FormPostAnswer {
    bool transferred = false;  // the transfer ran to its end (CURLE_OK)
    long httpStatus = 0;       // of the last answer; 0 when none came
    std::string body;          // what arrived, even of a failed transfer

    // Only a whole 2xx answer counts: a cut, refused or failed one does not.
    bool succeeded() const { return transferred && httpStatus >= 200 && httpStatus < 300; }
};

// POSTs fields (already form-encoded) to an https url. Redirects are followed
// to https only, so the fields never travel in clear, and only to the host and
// port of url itself: a 307 or 308 would send the fields again, to whoever it
// names. An answer of more than kMaxFormAnswerBytes is cut off and fails.
FormPostAnswer httpPostForm(const std::string& url, const std::string& fields);

// libcurl write callback: appends size x count bytes to out.
size_t appendToString(char* data, size_t size, size_t count, std::string* out);
