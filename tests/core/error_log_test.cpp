#include "core/error_log.h"
#include "core/errors.h"
#include "core/log_text.h"
#include "core/steps.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace kestrova {
namespace {

TEST(ErrorLogLine, IsLocalShortDateTimeNumberDescriptionAndLabel)
{
    const QDateTime moment(QDate(2026, 12, 5), QTime(21, 3, 11));
    const auto when = std::chrono::system_clock::time_point(std::chrono::milliseconds(moment.toMSecsSinceEpoch()));
    const std::string line = errorLogLine(when, 9, "Subscript out of range", "LoadSettings");
    const std::string date = QLocale::system().toString(moment.date(), QLocale::ShortFormat).toStdString();
    ASSERT_EQ(line.rfind(date + " ", 0), 0u) << line;
    const std::string stamp = line.substr(0, line.find("21:03:11") + 8);
    EXPECT_EQ(line, stamp + " 9 Subscript out of rangeLoadSettings\r\n");
    // A blank stands where a minus sign would.
    EXPECT_EQ(errorLogLine(when, -5, "Negative", "X"), stamp + "-5 NegativeX\r\n");
    EXPECT_EQ(errorLogLine(when, 0, "Zero", "X"), stamp + " 0 ZeroX\r\n");
}

// Appending line after line is the steps' test's; here the log cannot be written.
TEST(LogError, SwallowsItsOwnFailuresAndSaysTheLineOnStandardError)
{
    test::TempProgramFolder folder;
    LogError(53, "File not found", "DoPrint");
    std::filesystem::remove(folder / "Logs" / "Error.log");
    std::filesystem::create_directory(folder / "Logs" / "Error.log"); // cannot be opened for appending
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(LogError(5, "lost", "y"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find(" 5 losty"), std::string::npos) << "said on standard error";
}

// A peer's text in a description stays on its line and short; a full log moves aside, and the
// oldest of the kept ones goes.
TEST(LogError, KeepsPeerTextOnItsLineAndRotatesTheLogAtItsBound)
{
    test::TempProgramFolder folder;
    LogError(5, "format \"A\r\n2026-12-08 fake\"" + std::string(2 * ErrorDescriptionLimit, 'x'), "NormalisedReceived");
    const std::string log = folder.errorLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("A\\r\\n2026-12-08 fake"), std::string::npos) << log;
    EXPECT_LT(log.size(), ErrorDescriptionLimit + 100);

    const auto logs = folder / "Logs";
    for (int generation = 1; generation <= KeptOldErrorLogs; ++generation)
        test::writeFile(logs / ("Error.log." + std::to_string(generation)), std::to_string(generation));
    std::filesystem::resize_file(logs / "Error.log", ErrorLogLimitBytes);
    LogError(6, "next", "MAIN");
    EXPECT_NE(folder.errorLog().find("6 nextMAIN"), std::string::npos);
    EXPECT_LT(folder.errorLog().size(), 100u);
    EXPECT_EQ(std::filesystem::file_size(logs / "Error.log.1"), ErrorLogLimitBytes);
    EXPECT_EQ(test::readFile(logs / "Error.log.2"), "1");
    EXPECT_EQ(test::readFile(logs / "Error.log.3"), "2");
    EXPECT_FALSE(std::filesystem::exists(logs / "Error.log.4"));
}

// A peer's text never starts a line of its own, and never runs on without end.
TEST(LogText, EscapesEverythingButPrintableAsciiAndCutsLongText)
{
    EXPECT_EQ(logText("STANDARD\\2,2"), "STANDARD\\2,2");
    EXPECT_EQ(logText("A\r\n2026-12-08 12:00:00 9 fake\tline"), "A\\r\\n2026-12-08 12:00:00 9 fake\\tline");
    EXPECT_EQ(logText(std::string("M\xFC\0ller", 7)), "M\\xFC\\x00ller");
    EXPECT_EQ(logText(std::string(200, 'x'), 10), std::string(10, 'x') + "...");
    EXPECT_EQ(logText(std::string(10, 'x'), 10), std::string(10, 'x'));
}

TEST(Steps, EachFailingStepIsLoggedAndTheNextOneRuns)
{
    test::TempProgramFolder folder;
    int ran = 0;
    runSteps("LoadSettings", {
        [&] { ++ran; raise(ErrorCode::SubscriptOutOfRange); },
        [&] { ++ran; throw std::runtime_error("boom"); },
        [&] { ++ran; },
    });
    EXPECT_EQ(ran, 3);
    const std::string log = folder.errorLog();
    EXPECT_NE(log.find(" 9 Subscript out of rangeLoadSettings\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" 5 boomLoadSettings\r\n"), std::string::npos) << log;
}

} // namespace
} // namespace kestrova
