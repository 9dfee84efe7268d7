#include "ConsoleCommand.h"

#include "HostCallbacks.h"

namespace {

const char* const kBlanks = " \t\r\n";

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

} // namespace

bool ConsoleCommand::handleRequest(const std::string& request)
{
    if (trimmed(request) != "shutdownapp") return false;
    closeHostWindow();
    return true;
}
