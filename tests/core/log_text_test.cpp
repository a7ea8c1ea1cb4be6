#include "core/log_text.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

// A peer's text never starts a line of its own, and never runs on without end.
TEST(LogText, EscapesEverythingButPrintableAsciiAndCutsLongText)
{
    EXPECT_EQ(logText("STANDARD\\2,2"), "STANDARD\\2,2");
    EXPECT_EQ(logText("A\r\n2026-12-08 12:00:00 9 fake\tline"), "A\\r\\n2026-12-08 12:00:00 9 fake\\tline");
    EXPECT_EQ(logText(std::string("M\xFC\0ller", 7)), "M\\xFC\\x00ller");
    EXPECT_EQ(logText(std::string(200, 'x'), 10), std::string(10, 'x') + "...");
    EXPECT_EQ(logText(std::string(10, 'x'), 10), std::string(10, 'x'));
}

} // namespace
} // namespace kestrova
