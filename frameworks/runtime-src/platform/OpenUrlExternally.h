// Hands a link (a Telegram link) to the shell's default handler.
#pragma once

#include <string>

// utf8Url empty or not convertible: nothing happens. The shell's answer is
// not looked at: the game has nothing to do about a missing handler.
void openUrlExternally(const std::string& utf8Url);
