#include "core/errors.h"
#include "data/checked_read.h"
#include "data/dcm_convert.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcostrmb.h>
#include <dcmtk/dcmdata/dcwcache.h>

#include <gtest/gtest.h>

#include <cstring>

namespace kestrova {
namespace {

Bytes bytes(std::vector<std::uint8_t> values) { return std::make_shared<const std::vector<std::uint8_t>>(std::move(values)); }

Bytes words(const std::vector<std::uint16_t>& values)
{
    std::vector<std::uint8_t> raw(values.size() * 2);
    std::memcpy(raw.data(), values.data(), raw.size());
    return bytes(std::move(raw));
}

CollectionPtr sequenceOf(std::vector<DataSetPtr> items)
{
    auto collection = makeCollection();
    for (auto& item : items)
        collection->add(std::move(item));
    return collection;
}

DataSetPtr item(std::vector<Attribute> attributes)
{
    auto d = std::make_shared<DataSet>();
    for (const auto& a : attributes)
        d->add(a);
    return d;
}

// One data set with every kind of value, using tags whose dictionary VR is the one
// given, so that implicit VR coding reads them back the same.
DataSetPtr everyKindOfValue()
{
    const DataSetPtr innermost = item({Attribute({0x0008, 0x1155}, "UI", std::string("1.2.3.4"))});
    const DataSetPtr imageBox = item({
        Attribute({0x0008, 0x1150}, "UI", std::string("1.2.840.10008.5.1.1.4")),
        Attribute({0x2020, 0x0110}, "SQ", sequenceOf({innermost})),
    });
    return item({
        Attribute({0x0008, 0x0008}, "CS", std::string("ORIGINAL\\PRIMARY")),
        Attribute({0x0008, 0x0018}, "UI", std::string("1.2.826.0.1.3680043.2.1")),
        Attribute({0x0010, 0x0010}, "PN", std::string("Doe^John")),
        Attribute({0x0010, 0x0020}, "LO", Null{}),
        Attribute({0x0018, 0x2043}, "FL", Numbers{0.5, -1.25}),
        Attribute({0x0018, 0x6020}, "SL", Numbers{-70000}),
        Attribute({0x0028, 0x0009}, "AT", Numbers{0x00181063, 0x00181065}),
        Attribute({0x0028, 0x0010}, "US", Numbers{512}),
        Attribute({0x0028, 0x0030}, "DS", std::string("0.5\\0.25")),
        Attribute({0x0028, 0x0100}, "US", Numbers{16}),
        Attribute({0x0028, 0x9001}, "UL", Numbers{4000000000.0}),
        Attribute({0x0028, 0x9503}, "SS", Numbers{-5, 7}),
        Attribute({0x0042, 0x0011}, "OB", bytes({1, 2, 3, 250})),
        Attribute({0x0072, 0x0074}, "FD", Numbers{1e-300, 3.141592653589793}),
        Attribute({0x2010, 0x0500}, "SQ", sequenceOf({imageBox, std::make_shared<DataSet>()})),
        Attribute({0x2010, 0x0510}, "SQ", makeCollection()),
        Attribute({0x7FE0, 0x0010}, "OW", words({0x0102, 0xFFFE, 0x0FFF})),
    });
}

void expectSameDataSet(const DataSet& expected, const DataSet& actual);

void expectSameValue(const Attribute& expected, const Attribute& actual)
{
    const Value& e = expected.value();
    const Value& a = actual.value();
    ASSERT_EQ(e.index(), a.index()) << "kind of value differs";
    if (const auto* sequence = std::get_if<CollectionPtr>(&e)) {
        const auto& other = std::get<CollectionPtr>(a);
        ASSERT_EQ((*sequence)->count(), other->count());
        for (std::size_t i = 1; i <= other->count(); ++i)
            expectSameDataSet(*(*sequence)->item(i), *other->item(i));
    } else if (const auto* data = std::get_if<Bytes>(&e)) {
        EXPECT_EQ(**data, *std::get<Bytes>(a));
    } else {
        EXPECT_EQ(e, a);
    }
}

void expectSameDataSet(const DataSet& expected, const DataSet& actual)
{
    ASSERT_EQ(expected.attributes().size(), actual.attributes().size());
    for (const Attribute& e : expected.attributes()) {
        SCOPED_TRACE(testing::Message() << std::hex << e.group() << "," << e.element());
        const Attribute a = actual.attribute(e.tag());
        ASSERT_TRUE(a.exists());
        EXPECT_EQ(e.vr(), a.vr());
        expectSameValue(e, a);
    }
}

// Codes the data set in a transfer syntax and reads it back, as it happens on the wire.
DataSetPtr throughTheWire(const DataSet& dataSet, E_TransferSyntax transferSyntax, E_EncodingType sequenceEncoding)
{
    const std::unique_ptr<DcmDataset> outgoing = dcm::toDcmDataset(dataSet);
    std::vector<char> buffer(1 << 16);
    DcmOutputBufferStream out(buffer.data(), buffer.size());
    outgoing->transferInit();
    EXPECT_TRUE(outgoing->write(out, transferSyntax, sequenceEncoding, nullptr).good());
    outgoing->transferEnd();
    void* written = nullptr;
    offile_off_t length = 0;
    out.flushBuffer(written, length);

    // Read back as the network reads it: checked, in fragments that cut elements in two.
    const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(written), static_cast<std::size_t>(length));
    dcm::CheckedReader reader(transferSyntax == EXS_LittleEndianImplicit ? DataSetEncoding::ImplicitLittleEndian
                              : transferSyntax == EXS_BigEndianExplicit ? DataSetEncoding::ExplicitBigEndian
                                                                        : DataSetEncoding::ExplicitLittleEndian,
                              bytes.size());
    for (std::size_t at = 0; at < bytes.size(); at += 7) {
        const auto fragment = bytes.subspan(at, std::min<std::size_t>(7, bytes.size() - at));
        reader.feed(fragment, at + fragment.size() == bytes.size());
    }
    EXPECT_EQ(reader.state(), dcm::ReadState::Complete);
    const std::unique_ptr<DcmDataset> incoming = reader.take();
    return incoming ? dcm::toDataSet(*incoming) : std::make_shared<DataSet>();
}

struct WireCase {
    E_TransferSyntax transferSyntax;
    E_EncodingType sequenceEncoding;
};

class ConversionRoundTrip : public testing::TestWithParam<WireCase> {};

TEST_P(ConversionRoundTrip, KeepsEveryValueAndVr)
{
    const DataSetPtr original = everyKindOfValue();
    const DataSetPtr back = throughTheWire(*original, GetParam().transferSyntax, GetParam().sequenceEncoding);
    expectSameDataSet(*original, *back);
}

INSTANTIATE_TEST_SUITE_P(
    TransferSyntaxes, ConversionRoundTrip,
    testing::Values(WireCase{EXS_LittleEndianExplicit, EET_ExplicitLength},
                    WireCase{EXS_LittleEndianExplicit, EET_UndefinedLength},
                    WireCase{EXS_LittleEndianImplicit, EET_ExplicitLength},
                    WireCase{EXS_LittleEndianImplicit, EET_UndefinedLength},
                    WireCase{EXS_BigEndianExplicit, EET_ExplicitLength},
                    WireCase{EXS_BigEndianExplicit, EET_UndefinedLength}));

TEST(Conversion, NumbersGivenForATextVrAreWrittenAsText)
{
    DataSet d;
    d.add(Tag{0x2000, 0x0010}, Numbers{3});
    const std::unique_ptr<DcmDataset> dataset = dcm::toDcmDataset(d);
    OFString text;
    ASSERT_TRUE(dataset->findAndGetOFString(DcmTagKey(0x2000, 0x0010), text).good());
    EXPECT_EQ(text, "3");
}

TEST(Conversion, ValuesThatDoNotFitTheirVrRaise)
{
    const auto raises = [](const Attribute& a) {
        DataSet d;
        d.add(a);
        try {
            dcm::toDcmDataset(d);
        } catch (const AppError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(raises(Attribute({0x0028, 0x0010}, "US", Numbers{70000})), 6);
    EXPECT_EQ(raises(Attribute({0x0028, 0x0010}, "US", Numbers{-1})), 6);
    EXPECT_EQ(raises(Attribute({0x0028, 0x0010}, "US", makeCollection())), 13);
    EXPECT_EQ(raises(Attribute({0x0010, 0x0010}, "PN", bytes({1, 2}))), 13);
    EXPECT_EQ(raises(Attribute({0x7FE0, 0x0010}, "OW", bytes({1, 2, 3}))), 13);
}

// A peer's value with line breaks must not start a line of the DICOM log that looks like ours.
TEST(Conversion, DumpPrintsEachElementOnOneLineWhateverItsValueHolds)
{
    DataSet d;
    d.add(Attribute({0x0010, 0x0010}, "PN", std::string("Doe\r\nAssociation accepted from FORGED")));
    d.add(Attribute({0x2010, 0x0500}, "SQ", sequenceOf({item({Attribute({0x0008, 0x0070}, "LO", std::string("A\nB"))})})));
    const std::string text = dcm::dump(*dcm::toDcmDataset(d));
    EXPECT_EQ(text.find("\r"), std::string::npos);
    EXPECT_EQ(text.find("\nAssociation"), std::string::npos) << text;
    EXPECT_EQ(text.find("\nB"), std::string::npos) << text;
    EXPECT_NE(text.find("Doe\\015\\012Association"), std::string::npos) << text;
}

} // namespace
} // namespace kestrova
