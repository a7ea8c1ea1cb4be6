#include "network/dicom_log.h"
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

// Entries arrive together after a turn of the event loop; lines already shown stay in place
// (their block state survives) while the oldest ones go with the log's.
TEST_F(DicomLogViewTest, FollowsTheLogAppendingAndDroppingLines)
{
    log.setMaxEntries(3);
    log.append(LogCategory::Associations, "entry 1");
    log.append(LogCategory::Associations, "entry 2\nline two");
    QCoreApplication::processEvents();
    ASSERT_EQ(viewLines(view).size(), 3);
    view.document()->findBlockByNumber(1).setUserState(2);
    append("entry 3");
    append("entry 4");
    const QStringList lines = viewLines(view);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith("entry 2"));
    EXPECT_EQ(lines[1], "line two");
    EXPECT_TRUE(lines[3].endsWith("entry 4"));
    EXPECT_EQ(view.document()->firstBlock().userState(), 2);

    log.clear();
    view.sync();
    EXPECT_TRUE(view.toPlainText().isEmpty());
}

} // namespace
} // namespace kestrova
