// Hands a link (a Telegram link) to the shell's default handler.
#pragma once

#include <string>

// utf8Url empty or not convertible: nothing happens. Only what the web window
// would hand over goes (a "tg:" link or an http/https URL, see ShellLinks.h);
// anything else, a local path or a program on a share, is refused with a log
// line. The shell's answer is not looked at: the game has nothing to do about
// a missing handler.
void openUrlExternally(const std::string& utf8Url);
