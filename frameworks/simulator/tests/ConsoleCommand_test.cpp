// The console's one request: "shutdownapp" closes the host window, once.
#include "ConsoleCommand.h"

#include "HostDoubles.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsoleCommand, OnlyShutdownAppClosesTheHostWindow)
{
    struct Case {
        const char* request;
        bool handled;
    };
    const Case cases[] = {
        {"shutdownapp", true},   {"  shutdownapp\r\n", true}, {"Shutdownapp", false}, {"shutdown", false},
        {"shutdownapp now", false}, {"", false},               {"\r\n", false},
    };
    for (const Case& c : cases) {
        hostdoubles::reset();
        ConsoleCommand console;
        EXPECT_EQ(c.handled, console.handleRequest(c.request)) << '"' << c.request << '"';
        EXPECT_EQ(c.handled ? 1 : 0, hostdoubles::calls().closeHostWindow) << '"' << c.request << '"';
    }
}

} // namespace
