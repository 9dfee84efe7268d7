// The whitespace splitter of the update controller and the update engine.
#pragma once

#include <string>
#include <vector>

// Appends the tokens of text to out. Any one character of delimiters splits;
// runs of delimiters split like one; a leading delimiter gives an empty first
// token, trailing delimiters give no empty last token, and an empty text gives
// one empty token.
void splitString(const std::string& text, const std::string& delimiters, std::vector<std::string>& out);
