#include "core/error_log.h"
#include "core/errors.h"
#include "core/steps.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

namespace kestrova {
namespace {

using test::readFile;

std::string stampFor(std::chrono::system_clock::time_point when)
{
    const auto line = errorLogLine(when, 0, "", "");
    return line.substr(0, line.size() - 5); // drop " 0 " and CR LF
}

TEST(ErrorLogLine, NumberDescriptionAndLabelFollowTheStamp)
{
    const auto now = std::chrono::system_clock::now();
    const std::string stamp = stampFor(now);
    EXPECT_EQ(errorLogLine(now, 9, "Subscript out of range", "LoadSettings"),
              stamp + " 9 Subscript out of rangeLoadSettings\r\n");
    EXPECT_EQ(errorLogLine(now, 0, "None", "X"), stamp + " 0 NoneX\r\n");
    EXPECT_EQ(errorLogLine(now, -5, "Negative", "X"), stamp + "-5 NegativeX\r\n");
}

TEST(ErrorLogLine, StampIsTheLocalShortDateABlankAndTheTime)
{
    const QDateTime moment(QDate(2026, 12, 5), QTime(21, 3, 11));
    const auto when = std::chrono::system_clock::time_point(std::chrono::milliseconds(moment.toMSecsSinceEpoch()));
    const std::string stamp = stampFor(when);
    const std::string date = QLocale::system().toString(moment.date(), QLocale::ShortFormat).toStdString();
    ASSERT_EQ(stamp.rfind(date + " ", 0), 0u) << stamp;
    EXPECT_NE(stamp.find("21:03:11"), std::string::npos) << stamp;
}

TEST(LogError, CreatesLogsAndAppendsLineAfterLine)
{
    test::TempProgramFolder folder;
    LogError(53, "File not found", "DoPrint");
    LogError(-1, "odd", "MAIN");
    const std::string log = readFile(folder / "Logs" / "Error.log");
    const auto first = log.find(" 53 File not foundDoPrint\r\n");
    const auto second = log.find("-1 oddMAIN\r\n");
    ASSERT_NE(first, std::string::npos) << log;
    ASSERT_NE(second, std::string::npos) << log;
    EXPECT_LT(first, second);
}

TEST(LogError, SwallowsItsOwnFailures)
{
    test::TempProgramFolder folder;
    std::filesystem::create_directory(folder / "Logs");
    std::filesystem::create_directory(folder / "Logs" / "Error.log"); // cannot be opened for appending
    EXPECT_NO_THROW(LogError(5, "x", "y"));
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
    const std::string log = readFile(folder / "Logs" / "Error.log");
    EXPECT_NE(log.find(" 9 Subscript out of rangeLoadSettings\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" 5 boomLoadSettings\r\n"), std::string::npos) << log;
}

} // namespace
} // namespace kestrova
