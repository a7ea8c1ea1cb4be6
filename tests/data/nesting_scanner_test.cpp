#include "data/checked_read.h"
#include "data/nesting_scanner.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrova {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t Undefined = 0xFFFFFFFF;
constexpr std::uint64_t Plenty = 1 << 20;

// Writes element headers as each encoding codes them; item tags carry no VR.
struct Encoder {
    DataSetEncoding encoding;
    Bytes out;

    void number(std::uint32_t value, int width)
    {
        const bool big = encoding == DataSetEncoding::ExplicitBigEndian;
        for (int i = 0; i < width; ++i)
            out.push_back(static_cast<std::uint8_t>(value >> (8 * (big ? width - 1 - i : i))));
    }
    Encoder& header(std::uint16_t group, std::uint16_t element, std::string vr, std::uint32_t length)
    {
        number(group, 2);
        number(element, 2);
        if (encoding == DataSetEncoding::ImplicitLittleEndian || group == 0xFFFE) {
            number(length, 4);
            return *this;
        }
        out.insert(out.end(), vr.begin(), vr.end());
        const bool wide = vr == "SQ" || vr == "OB" || vr == "OW" || vr == "UN" || vr == "UT";
        if (wide)
            number(0, 2);
        number(length, wide ? 4 : 2);
        return *this;
    }
    Encoder& value(std::string text)
    {
        out.insert(out.end(), text.begin(), text.end());
        return *this;
    }
    Encoder& append(const Bytes& more)
    {
        out.insert(out.end(), more.begin(), more.end());
        return *this;
    }
};

// Sequences of undefined length `depth` deep, each holding one item, closed again.
Bytes nestedUndefined(DataSetEncoding encoding, std::size_t depth, std::uint16_t group = 0x0008,
                      std::uint16_t element = 0x1140, std::string vr = "SQ")
{
    Encoder e{encoding, {}};
    for (std::size_t i = 0; i < depth; ++i)
        e.header(group, element, vr, Undefined).header(0xFFFE, 0xE000, "", Undefined);
    e.header(0x0010, 0x0010, "PN", 2).value("A ");
    for (std::size_t i = 0; i < depth; ++i)
        e.header(0xFFFE, 0xE00D, "", 0).header(0xFFFE, 0xE0DD, "", 0);
    return e.out;
}

// The same with defined lengths throughout, sequence (0008,1140) inside sequence.
Bytes nestedDefined(DataSetEncoding encoding, std::size_t depth)
{
    Encoder inner{encoding, {}};
    inner.header(0x0010, 0x0010, "PN", 2).value("A ");
    for (std::size_t i = 0; i < depth; ++i) {
        Encoder item{encoding, {}};
        item.header(0xFFFE, 0xE000, "", static_cast<std::uint32_t>(inner.out.size())).append(inner.out);
        Encoder sequence{encoding, {}};
        sequence.header(0x0008, 0x1140, "SQ", static_cast<std::uint32_t>(item.out.size())).append(item.out);
        inner = sequence;
    }
    return inner.out;
}

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
    un.header(0x0009, 0x1010, "UN", Undefined).header(0xFFFE, 0xE000, "", Undefined);
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
    pixels.header(0x7FE0, 0x0010, "OB", Undefined).header(0xFFFE, 0xE000, "", 0);
    pixels.header(0xFFFE, 0xE000, "", static_cast<std::uint32_t>(deep.size())).append(deep);
    pixels.header(0xFFFE, 0xE0DD, "", 0);
    EXPECT_EQ(scanned(pixels.out, explicitLittle), ScanVerdict::Acceptable);
}

TEST(NestingScanner, RefusesShapesWhoseNestingCannotBeFollowed)
{
    const auto explicitLittle = DataSetEncoding::ExplicitLittleEndian;
    const std::vector<std::pair<const char*, std::function<void(Encoder&)>>> cases = {
        {"a VR no standard names", [](Encoder& e) { e.header(0x0010, 0x0010, "XX", 2).value("A "); }},
        {"an item outside a sequence", [](Encoder& e) { e.header(0xFFFE, 0xE000, "", Undefined); }},
        {"an element longer than its item",
         [](Encoder& e) {
             e.header(0x0008, 0x1140, "SQ", Undefined).header(0xFFFE, 0xE000, "", 10);
             e.header(0x0010, 0x0010, "PN", 4).value("ABCD");
         }},
        {"a delimiter ending a defined length",
         [](Encoder& e) { e.header(0x0008, 0x1140, "SQ", 8).header(0xFFFE, 0xE0DD, "", 0); }},
        {"a text of undefined length", [](Encoder& e) { e.header(0x0010, 0x4000, "UT", Undefined); }},
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

// The checked reader never lets DCMTK's parser see a refused data set, however large, and
// takes the rest of it without looking.
TEST(CheckedReader, RefusesDeepNestingAndOverlongDataSetsAndCountsWhatFollows)
{
    const auto encoding = DataSetEncoding::ImplicitLittleEndian;
    const Bytes deep = nestedUndefined(encoding, 100000);
    dcm::CheckedReader reader(encoding, Plenty * 16);
    EXPECT_EQ(reader.feed(std::span(deep).first(deep.size() / 2), false), dcm::ReadState::TooDeep);
    EXPECT_EQ(reader.feed(std::span(deep).subspan(deep.size() / 2), true), dcm::ReadState::TooDeep);
    EXPECT_EQ(reader.bytes(), deep.size());
    EXPECT_EQ(reader.take(), nullptr);

    const Bytes shallow = nestedUndefined(encoding, 2);
    dcm::ReadState state = dcm::ReadState::Reading;
    EXPECT_NE(dcm::readChecked(shallow, encoding, shallow.size(), state), nullptr);
    EXPECT_EQ(state, dcm::ReadState::Complete);
    EXPECT_EQ(dcm::readChecked(shallow, encoding, shallow.size() - 1, state), nullptr);
    EXPECT_EQ(state, dcm::ReadState::TooLarge);
}

} // namespace
} // namespace kestrova
