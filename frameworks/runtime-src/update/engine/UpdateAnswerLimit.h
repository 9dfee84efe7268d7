// How much of an answer the update reads into memory. Any thread.
#pragma once

#include <cstddef>

// The most bytes the gateway's answer and the resource list may have. A real
// list is tens of kilobytes (some 60 bytes a package); 8 MiB holds over
// 100,000 packages, and keeps a hostile answer's copies and its parse within
// some tens of MB on the 32-bit host. A longer answer is a transfer failure.
constexpr std::size_t kMaxUpdateAnswerBytes = 8 * 1024 * 1024;
