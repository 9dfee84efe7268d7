// Standard base64 (alphabet A-Z a-z 0-9 + /, "=" padding, no line breaks) for
// the protected blob's text form.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

std::string base64Encode(const unsigned char* data, size_t n);

// Lenient on layout, strict on content: the first "=" ends the text (whatever
// follows is ignored), CR, LF, blank and tab are skipped, any other character
// outside the alphabet (NUL included) gives false. Leftover bits that do not
// make a whole byte are dropped. out is emptied first.
bool base64Decode(const std::string& text, std::vector<unsigned char>& out);
