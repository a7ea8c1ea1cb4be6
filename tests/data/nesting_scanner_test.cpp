#include "data/checked_read.h"
#include "data/nesting_scanner.h"
#include "support/nested_sequences.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrova {
namespace {

using namespace test;
using Bytes = RawBytes;

constexpr std::uint64_t Plenty = 1 << 20;

ScanVerdict scanned(const Bytes& bytes, DataSetEncoding encoding, std::uint64_t maxValue = Plenty)
{
    NestingScanner scanner(encoding, MaxSequenceNesting, maxValue);
    return scanner.scan(bytes);
}

const DataSetEncoding Encodings[] = {DataSetEncoding::ExplicitLittleEndian, DataSetEncoding::ImplicitLittleEndian,
                                     DataSetEncoding::ExplicitBigEndian};

TEST(NestingScanner, AllowsTheLimitAndRefusesOneSequenceMoreInEveryEncodingAndLengthForm)
{
    for (const DataSetEncoding encoding : Encodings) {
        SCOPED_TRACE(static_cast<int>(encoding));
        EXPECT_EQ(scanned(nestedUndefined(encoding, MaxSequenceNesting), encoding), ScanVerdict::Acceptable);
        EXPECT_EQ(scanned(nestedUndefined(encoding, MaxSequenceNesting + 1), encoding), ScanVerdict::TooDeep);
        EXPECT_EQ(scanned(nestedDefined(encoding, MaxSequenceNesting), encoding), ScanVerdict::Acceptable);
        EXPECT_EQ(scanned(nestedDefined(encoding, MaxSequenceNesting + 1), encoding), ScanVerdict::TooDeep);
    }
}

TEST(NestingScanner, GivesTheSameVerdictWhenTheBytesComeOneByOne)
{
    for (const std::size_t depth : {MaxSequenceNesting, MaxSequenceNesting + 1}) {
        const Bytes bytes = nestedDefined(DataSetEncoding::ExplicitBigEndian, depth);
        NestingScanner scanner(DataSetEncoding::ExplicitBigEndian, MaxSequenceNesting, Plenty);
        for (const std::uint8_t byte : bytes)
            scanner.scan(std::span(&byte, 1));
        EXPECT_EQ(scanner.verdict(), scanned(bytes, DataSetEncoding::ExplicitBigEndian));
    }
}

// Values DCMTK reads as sequences although no SQ is written, and values it reads as bytes
// although they hold what looks like nesting.
TEST(NestingScanner, CountsWhatDcmtkReadsAsSequencesAndOnlyThat)
{
    const auto explicitLittle = DataSetEncoding::ExplicitLittleEndian;
    const auto implicitLittle = DataSetEncoding::ImplicitLittleEndian;
    const std::size_t tooDeep = MaxSequenceNesting + 1;
    // An explicit UN of undefined length, its items read in implicit VR little endian.
    Encoder un{explicitLittle, {}};
    un.header(0x0009, 0x1010, "UN", UndefinedLength).header(0xFFFE, 0xE000, "", UndefinedLength);
    un.append(nestedUndefined(implicitLittle, MaxSequenceNesting));
    EXPECT_EQ(scanned(un.out, explicitLittle), ScanVerdict::TooDeep);
    // Unknown private attributes and OB of undefined length are sequences too.
    EXPECT_EQ(scanned(nestedUndefined(implicitLittle, tooDeep, 0x0009, 0x1010), implicitLittle), ScanVerdict::TooDeep);
    EXPECT_EQ(scanned(nestedUndefined(explicitLittle, tooDeep, 0x0009, 0x1010, "OB"), explicitLittle),
              ScanVerdict::TooDeep);
    // A private SQ of the dictionary under its creator, in implicit VR; without it, bytes.
    const Bytes deep = nestedDefined(implicitLittle, MaxSequenceNesting);
    for (const bool withCreator : {true, false}) {
        Encoder privateSequence{implicitLittle, {}};
        if (withCreator)
            privateSequence.header(0x2001, 0x0010, "", 22).value("Philips Imaging DD 001");
        privateSequence.header(0x2001, 0x105F, "", static_cast<std::uint32_t>(deep.size() + 8))
            .header(0xFFFE, 0xE000, "", static_cast<std::uint32_t>(deep.size()))
            .append(deep);
        EXPECT_EQ(scanned(privateSequence.out, implicitLittle),
                  withCreator ? ScanVerdict::TooDeep : ScanVerdict::Acceptable);
    }
    // Encapsulated pixel data: its items are fragments of bytes, whatever they hold.
    Encoder pixels{explicitLittle, {}};
    pixels.header(0x7FE0, 0x0010, "OB", UndefinedLength).header(0xFFFE, 0xE000, "", 0);
    pixels.header(0xFFFE, 0xE000, "", static_cast<std::uint32_t>(deep.size())).append(deep);
    pixels.header(0xFFFE, 0xE0DD, "", 0);
    EXPECT_EQ(scanned(pixels.out, explicitLittle), ScanVerdict::Acceptable);
}

TEST(NestingScanner, RefusesShapesWhoseNestingCannotBeFollowed)
{
    const auto explicitLittle = DataSetEncoding::ExplicitLittleEndian;
    const std::vector<std::pair<const char*, std::function<void(Encoder&)>>> cases = {
        {"a VR no standard names", [](Encoder& e) { e.header(0x0010, 0x0010, "XX", 2).value("A "); }},
        {"an item outside a sequence", [](Encoder& e) { e.header(0xFFFE, 0xE000, "", UndefinedLength); }},
        {"an element longer than its item",
         [](Encoder& e) {
             e.header(0x0008, 0x1140, "SQ", UndefinedLength).header(0xFFFE, 0xE000, "", 10);
             e.header(0x0010, 0x0010, "PN", 4).value("ABCD");
         }},
        {"a delimiter ending a defined length",
         [](Encoder& e) { e.header(0x0008, 0x1140, "SQ", 8).header(0xFFFE, 0xE0DD, "", 0); }},
        {"a text of undefined length", [](Encoder& e) { e.header(0x0010, 0x4000, "UT", UndefinedLength); }},
    };
    for (const auto& [name, write] : cases) {
        Encoder e{explicitLittle, {}};
        write(e);
        EXPECT_EQ(scanned(e.out, explicitLittle), ScanVerdict::Malformed) << name;
    }
    Encoder longValue{explicitLittle, {}};
    longValue.header(0x7FE0, 0x0010, "OB", 4096);
    EXPECT_EQ(scanned(longValue.out, explicitLittle, 4095), ScanVerdict::ValueTooLong);
}

// A sequence of one item holding `attributes` attributes, in descending tag order as the
// costliest data set for DCMTK's parser would have them, then `items` empty items.
Bytes sequenceHolding(std::size_t attributes, std::size_t items)
{
    Encoder e{DataSetEncoding::ExplicitLittleEndian, {}};
    e.header(0x0008, 0x1140, "SQ", UndefinedLength).header(0xFFFE, 0xE000, "", UndefinedLength);
    for (std::size_t i = attributes; i > 0; --i)
        e.header(0x0009, static_cast<std::uint16_t>(0x1000 + i), "LO", 0);
    e.header(0xFFFE, 0xE00D, "", 0);
    for (std::size_t i = 0; i < items; ++i)
        e.header(0xFFFE, 0xE000, "", 0);
    e.header(0xFFFE, 0xE0DD, "", 0);
    return e.out;
}

// The sequence and its first item count too: MaxDataSetElements - 2 attributes or items in them fill
// the limit.
TEST(NestingScanner, RefusesMoreAttributesAndItemsThanTheLimitBeforeDcmtkParsesThem)
{
    const auto encoding = DataSetEncoding::ExplicitLittleEndian;
    const std::size_t room = MaxDataSetElements - 2;
    EXPECT_EQ(scanned(sequenceHolding(room, 0), encoding), ScanVerdict::Acceptable);
    EXPECT_EQ(scanned(sequenceHolding(0, room), encoding), ScanVerdict::Acceptable);
    for (const Bytes& tooMany : {sequenceHolding(room + 1, 0), sequenceHolding(0, room + 1)}) {
        EXPECT_EQ(scanned(tooMany, encoding), ScanVerdict::TooManyElements);
        dcm::ReadState state = dcm::ReadState::Reading;
        EXPECT_EQ(dcm::readChecked(tooMany, encoding, Plenty, state), nullptr);
        EXPECT_EQ(state, dcm::ReadState::TooManyElements);
    }
}

} // namespace
} // namespace kestrova
