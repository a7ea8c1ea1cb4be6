#include "toolkit/dicom_log.h"
#include "ui/dicom_log_view.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTextBlock>

#include <optional>
#include <string>

namespace kestrova {
namespace {

struct PlanCase {
    std::string name;
    std::string shown;
    std::string current;
    LogViewUpdate expected;
};

class LogViewPlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(LogViewPlanTest, TurnsWhatIsShownIntoTheCurrentLog)
{
    EXPECT_EQ(planLogViewUpdate(GetParam().shown, GetParam().current), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LogViewPlanTest,
    ::testing::Values(
        PlanCase{"Unchanged", "a\nb", "a\nb", {false, 0, std::nullopt}},
        PlanCase{"FirstEntries", "", "a\nb", {true, 0, std::nullopt}},
        PlanCase{"StillEmpty", "", "", {false, 0, std::nullopt}},
        PlanCase{"NewEntries", "a\nb", "a\nb\nc\nd", {false, 0, std::string_view("c\nd")}},
        PlanCase{"NewEmptyEntry", "a", "a\n", {false, 0, std::string_view("")}},
        PlanCase{"OldestDropped", "a\nb\nc", "b\nc\nd", {false, 1, std::string_view("d")}},
        PlanCase{"OldestDroppedNothingNew", "a\nb\nc", "c", {false, 2, std::nullopt}},
        PlanCase{"Cleared", "a\nb", "", {true, 0, std::nullopt}},
        PlanCase{"ClearedAndRefilled", "a\nb", "x\ny", {true, 0, std::nullopt}},
        // A line that merely begins like a shown line is no continuation of it.
        PlanCase{"PrefixOfLineIsNoMatch", "ab", "abc", {true, 0, std::nullopt}},
        PlanCase{"MultiLineEntryDropped", "e1 line1\ne1 line2\ne2", "e2\ne3", {false, 2, std::string_view("e3")}}),
    [](const auto& info) { return info.param.name; });

QStringList viewLines(const DicomLogView& view)
{
    return view.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class DicomLogViewTest : public ::testing::Test {
protected:
    void append(const std::string& text)
    {
        log.append(LogCategory::Associations, text);
        QCoreApplication::processEvents();
    }

    DicomLog log;
    DicomLogView view{log};
};

TEST_F(DicomLogViewTest, ShowsNewEntriesAtTheBottomAsTheyArrive)
{
    append("first entry");
    append("second entry");
    const QStringList lines = viewLines(view);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].endsWith("first entry"));
    EXPECT_TRUE(lines[1].endsWith("second entry"));
}

TEST_F(DicomLogViewTest, EntriesFromOneTurnOfTheEventLoopArriveTogether)
{
    for (int i = 0; i < 50; ++i)
        log.append(LogCategory::Associations, "entry " + std::to_string(i));
    QCoreApplication::processEvents();
    EXPECT_EQ(viewLines(view).size(), 50);
}

TEST_F(DicomLogViewTest, AppendingLeavesTheLinesShownInPlace)
{
    append("kept");
    view.document()->firstBlock().setUserState(7);
    append("added");
    EXPECT_EQ(view.document()->firstBlock().userState(), 7);
    EXPECT_EQ(view.document()->blockCount(), 2);
}

TEST_F(DicomLogViewTest, FollowsTheLogDroppingItsOldestEntries)
{
    log.setMaxEntries(3);
    for (int i = 1; i <= 3; ++i)
        append("entry " + std::to_string(i));
    view.document()->lastBlock().setUserState(3);
    append("entry 4");
    append("entry 5");

    const QStringList lines = viewLines(view);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith("entry 3"));
    EXPECT_TRUE(lines[2].endsWith("entry 5"));
    EXPECT_EQ(view.document()->firstBlock().userState(), 3);
}

TEST_F(DicomLogViewTest, MultiLineEntriesShowAsTheirLines)
{
    append("dump\nline two");
    EXPECT_EQ(view.document()->blockCount(), 2);
    EXPECT_EQ(view.document()->lastBlock().text(), "line two");
}

TEST_F(DicomLogViewTest, ClearedLogEmptiesTheViewOnSync)
{
    append("entry");
    log.clear();
    view.sync();
    EXPECT_TRUE(view.toPlainText().isEmpty());
}

} // namespace
} // namespace kestrova
