// Requests of the runtime console, as text. The host runs no console server;
// the one request with an effect is "shutdownapp", which asks the host to
// close its window (closeHostWindow()).
//
// Any thread: it keeps no state, and closeHostWindow() delivers to the
// window's thread itself.
#pragma once

#include <string>

class ConsoleCommand {
public:
    // Surrounding blanks and line ends are ignored; the name is exact and
    // case-sensitive. Returns true when the request was recognised and
    // carried out.
    bool handleRequest(const std::string& request);
};
