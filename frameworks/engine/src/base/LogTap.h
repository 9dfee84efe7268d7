// Where each formatted engine-log message goes besides standard output: the
// product's tap (LogTap.cpp) does nothing. It sits alone in its file so that a
// test program can link its own tap in its place (tests/LogHook.cpp) and see
// the lines; the shipped program has no way to do so.
#pragma once

#include <cstddef>

namespace cocos2d {

// text holds length bytes, without the added line feed. Any thread.
void tapLogLine(const char* text, std::size_t length);

} // namespace cocos2d
