#include "core/errors.h"
#include "data/data_set.h"
#include "data/uid.h"

#include <gtest/gtest.h>

#include <regex>

namespace kestrova {
namespace {

constexpr Tag PatientName{0x0010, 0x0010};
constexpr Tag NumberOfCopies{0x2000, 0x0010};
constexpr Tag Rows{0x0028, 0x0010};

int errorNumberOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AppError& e) {
        return e.number();
    }
    return 0;
}

// Numbers read as text in their DICOM string form; text reads as the number of its first value.
TEST(Attribute, NumbersAndTextReadAsEachOther)
{
    const Attribute a(Tag{0x0028, 0x0030}, "FD", Numbers{0.5, 2, -3.25});
    EXPECT_EQ(a.asText(), "0.5\\2\\-3.25");
    EXPECT_DOUBLE_EQ(a.asNumber(), 0.5);
    EXPECT_DOUBLE_EQ(Attribute(NumberOfCopies, "IS", std::string(" 3 \\4")).asNumber(), 3);
    EXPECT_DOUBLE_EQ(Attribute(Tag{0x2020, 0x0030}, "DS", std::string("0.5 ")).asNumber(), 0.5);
    EXPECT_DOUBLE_EQ(Attribute(Tag{0x2020, 0x0030}, "DS", std::string("-1.25e2")).asNumber(), -125);
    EXPECT_EQ(errorNumberOf([] { Attribute(NumberOfCopies, "IS", std::string("three")).asNumber(); }), 13);
}

// The typed accessors share one check of the kind of value.
TEST(Attribute, WrongKindsRaiseTypeMismatchAndNullRaisesInvalidUseOfNull)
{
    const Attribute null(PatientName, "PN", Null{});
    const Attribute text(PatientName, "PN", std::string("A^B"));
    const Attribute bytes(Tag{0x7FE0, 0x0010}, "OB", std::make_shared<const std::vector<std::uint8_t>>(2));

    EXPECT_EQ(errorNumberOf([&] { null.asText(); }), 94);
    EXPECT_EQ(errorNumberOf([&] { null.asNumber(); }), 94);
    EXPECT_EQ(errorNumberOf([&] { bytes.asText(); }), 13);
    EXPECT_EQ(errorNumberOf([&] { text.asSequence(); }), 13);
    EXPECT_EQ(null.textOrEmpty(), "");
    EXPECT_EQ(Attribute().textOrEmpty(), "");
    EXPECT_FALSE(Attribute().exists());
}

TEST(DataSet, AddReplacesInPlaceAndKeepsFirstAddedOrder)
{
    DataSet d;
    d.add(Rows, Numbers{1});
    d.add(PatientName, std::string("first"));
    d.add(Rows, Numbers{2});
    ASSERT_EQ(d.attributes().size(), 2u);
    EXPECT_EQ(d.attributes()[0].tag(), Rows);
    EXPECT_EQ(d.attribute(Rows).asNumber(), 2);
    d.remove(Rows);
    EXPECT_FALSE(d.has(Rows));
    EXPECT_FALSE(d.attribute(0x0028, 0x0010).exists());
}

struct VrCase {
    Tag tag;
    Value value;
    std::string vr;
};

class DataSetAddVr : public testing::TestWithParam<VrCase> {};

TEST_P(DataSetAddVr, TakesTheVrFromTheKindOfValueOrTheDictionary)
{
    DataSet d;
    d.add(GetParam().tag, GetParam().value);
    EXPECT_EQ(d.attribute(GetParam().tag).vr(), GetParam().vr);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DataSetAddVr,
    testing::Values(VrCase{SopInstanceUidTag, std::string("1.2.3"), "UI"},
                    VrCase{NumberOfCopies, Numbers{2}, "IS"},
                    VrCase{Rows, Numbers{2}, "US"},
                    VrCase{Tag{0x2010, 0x0010}, std::string("STANDARD\\1,1"), "ST"},
                    VrCase{Tag{0x2010, 0x0500}, makeCollection(), "SQ"},
                    VrCase{Tag{0x7FE0, 0x0010}, std::make_shared<const std::vector<std::uint8_t>>(2), "OB"},
                    VrCase{Tag{0x0009, 0x1001}, std::string("private"), "LO"}));

TEST(DataSetCollection, ItemsAreCountedFromOneAndOthersRaiseSubscriptOutOfRange)
{
    DataSetCollection c;
    c.add(std::make_shared<DataSet>());
    auto second = std::make_shared<DataSet>();
    c.add(second);
    EXPECT_EQ(c.item(2), second);
    EXPECT_EQ(errorNumberOf([&] { c.item(0); }), 9);
    EXPECT_EQ(errorNumberOf([&] { c.item(3); }), 9);
}

// New UIDs are valid DICOM UIDs, and none follows from the one before.
TEST(NewUid, IsAUuidDerivedUidThatNoOtherGivesAway)
{
    std::string previous = newUid();
    for (int i = 0; i < 100; ++i) {
        const std::string uid = newUid();
        EXPECT_TRUE(std::regex_match(uid, std::regex(R"(2\.25\.[1-9][0-9]{0,38})"))) << uid;
        EXPECT_NE(uid, previous);
        // Consecutive UIDs of a counter share all but their last digits.
        EXPECT_NE(uid.substr(0, uid.size() - 6), previous.substr(0, previous.size() - 6)) << uid << " after " << previous;
        previous = uid;
    }
}

} // namespace
} // namespace kestrova
