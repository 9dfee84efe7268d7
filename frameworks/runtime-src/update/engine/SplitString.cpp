#include "update/engine/SplitString.h"

void splitString(const std::string& text, const std::string& delimiters, std::vector<std::string>& out) {
    size_t position = 0;
    for (;;) {
        const size_t delimiter = text.find_first_of(delimiters, position);
        if (delimiter == std::string::npos) {
            out.push_back(text.substr(position));
            return;
        }
        out.push_back(text.substr(position, delimiter - position));
        position = text.find_first_not_of(delimiters, delimiter);
        if (position == std::string::npos) return;
    }
}
