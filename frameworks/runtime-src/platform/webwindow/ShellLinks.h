// What may leave the game for the shell's "open": a Telegram "tg:" link or an
// http/https URL, short and free of anything that could end or add to the
// argument a scheme handler is started with. Any thread; no state.
#pragma once

#include <cstddef>
#include <string>

// A Telegram link is a name and at most a 64-character start parameter, far
// below this; a longer one can only be stuffed. It also stays well inside the
// shell's own command buffers (wine's overflows on a link of 2048 units).
constexpr std::size_t kMaxShellLinkLength = 512;  // UTF-16 units

enum class ShellLinkVerdict {
    Allowed,
    NotALink,          // not "tg:", "http://" or "https://": a path, a file or another scheme
    UnsafeCharacter,   // a control character, a quote or a blank
    TooLong,           // more than kMaxShellLinkLength units
};

ShellLinkVerdict checkShellLink(const std::wstring& uri);

// "tg:" exactly as written: the Telegram rule is case-sensitive.
bool isTelegramSchemeLink(const std::wstring& uri);
// "http://" or "https://", the scheme in any letter case (schemes are case-insensitive).
bool isWebLink(const std::wstring& uri);

// The reason in the log's own words (unaccented Vietnamese).
const char* shellLinkRefusal(ShellLinkVerdict verdict);
