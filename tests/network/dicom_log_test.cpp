#include "network/dicom_log.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/oflog/oflog.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kestrova {
namespace {

// Entries start with "yyyy-MM-dd hh:mm:ss.zzz ".
constexpr std::size_t StampLength = 24;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST(DicomLog, KeepsTheNewestEntriesUpToItsMaximum)
{
    DicomLog log;
    log.setMaxEntries(3);
    for (int i = 1; i <= 5; ++i)
        log.append(LogCategory::Commands, "entry " + std::to_string(i));
    ASSERT_EQ(log.entryCount(), 3u);
    const std::vector<std::string> lines = linesOf(log.text(3));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(StampLength), "entry 3");
    EXPECT_EQ(lines[2].substr(StampLength), "entry 5");
    EXPECT_EQ(log.text(1).substr(StampLength), "entry 3") << "text(n) gives the n oldest entries";
    EXPECT_EQ(lines[0][4], '-');
    EXPECT_EQ(lines[0][19], '.');
}

TEST(DicomLog, RecordsOnlyCategoriesInItsLevel)
{
    DicomLog log;
    log.setLevel(LogCategory::Errors | LogCategory::Associations);
    log.append(LogCategory::Commands, "dropped");
    log.append(LogCategory::Errors, "kept");
    log.append(LogCategory::DataSets, "dropped");
    ASSERT_EQ(log.entryCount(), 1u);
    EXPECT_NE(log.text(10).find("kept"), std::string::npos);
    log.clear();
    EXPECT_EQ(log.entryCount(), 0u);
    EXPECT_EQ(log.text(10), "");
}

TEST(DicomLog, MultiLineEntriesUseCrLfAndNoTrailingBreak)
{
    DicomLog log;
    log.append(LogCategory::DataSets, "first\nsecond\n");
    log.append(LogCategory::DataSets, "third");
    const std::string text = log.text(2);
    EXPECT_NE(text.find("first\r\nsecond\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
    EXPECT_NE(text.substr(text.size() - 5), "\r\n");
}

TEST(DicomLog, IsFilledFromSeveralThreadsAtOnce)
{
    DicomLog log;
    log.setMaxEntries(1000);
    std::atomic<int> notifications{0};
    QObject::connect(&log, &DicomLog::entriesAdded, &log, [&] { ++notifications; }, Qt::DirectConnection);
    constexpr int Threads = 4;
    constexpr int PerThread = 500;
    std::vector<std::thread> writers;
    for (int t = 0; t < Threads; ++t)
        writers.emplace_back([&log, t] {
            for (int i = 0; i < PerThread; ++i) {
                log.append(LogCategory::Network, "thread " + std::to_string(t) + " line " + std::to_string(i));
                if (i % 50 == 0)
                    log.text(10);
            }
        });
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(log.entryCount(), 1000u);
    EXPECT_EQ(notifications.load(), Threads * PerThread);
    for (const std::string& line : linesOf(log.text(1000)))
        EXPECT_EQ(line.rfind("thread ", StampLength), StampLength);
}

TEST(DicomLog, DcmtkLinesReachEveryLiveLogByLevel)
{
    OFLogger dcmtk = OFLog::getLogger("dcmtk.kestrova.test");
    DicomLog first;
    DicomLog second;
    second.setLevel(LogCategory::Errors);
    {
        DicomLog gone;
    }
    OFLOG_WARN(dcmtk, "a warning from DCMTK");
    OFLOG_ERROR(dcmtk, "an error from DCMTK");
    OFLOG_INFO(dcmtk, "network detail from DCMTK");
    EXPECT_EQ(first.entryCount(), 3u);
    ASSERT_EQ(second.entryCount(), 1u);
    EXPECT_NE(second.text(1).find("an error from DCMTK"), std::string::npos);
    first.setLevel(LogCategory::Warnings);
    first.clear();
    OFLOG_WARN(dcmtk, "second warning");
    OFLOG_INFO(dcmtk, "dropped");
    EXPECT_EQ(first.entryCount(), 1u);
}

} // namespace
} // namespace kestrova
