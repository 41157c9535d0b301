// Console colours: plain on redirected output and string streams, ANSI foreground codes
// on a stream that asks for colour.
#include "platform/console.h"

#include "support/scratch.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

TEST(ConsoleColour, StringStreamsStayPlainUnlessTheyAsk)
{
    std::ostringstream plain;
    plain << BrightRed << "error" << White << "." << BrightGreen << BrightCyan << BrightWhite;
    EXPECT_EQ(plain.str(), "error.");

    std::ostringstream asked;
    asked.iword(ConsoleColourSlot()) = 1;
    asked << BrightGreen << "a" << White << "b" << BrightCyan << "c" << BrightRed << "d" << BrightWhite << "e";
    EXPECT_EQ(asked.str(), "\033[92ma\033[37mb\033[96mc\033[91md\033[97me");
}

TEST(ConsoleColour, RedirectedStandardOutputGetsNoControlCharacters)
{
    // Under the test runner standard output is a pipe or a file, not a terminal.
    EXPECT_EQ(Printed([] { std::cout << BrightRed << "ERROR" << White << " done" << std::flush; }), "ERROR done");
}
