// Presentation LUTs as a requester creates and names them, through the association's handling.
#include "request_fixture.h"

#include "print_service/dimse_status.h"
#include "render/print_grey_scale.h"
#include "test_film/test_images.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

using test::makeDataSet;
using test::referenceTo;
using test::RequestFixture;

// Presentation LUT N-CREATE: a shape of the two print knows, or a table whose LUT Descriptor
// matches its LUT Data; neither is a missing attribute, anything else an invalid value.
TEST(PresentationLuts, AreCreatedWithOneShapeOrOneTable)
{
    const auto table = [](Numbers descriptor, Numbers data) {
        auto item = makeDataSet({{PrintTag::LutDescriptor, std::move(descriptor)}, {PrintTag::LutData, std::move(data)}});
        auto items = makeCollection();
        items->add(item);
        return std::pair<Tag, Value>{PrintTag::PresentationLutSequence, items};
    };
    const std::pair<Tag, Value> identity{PrintTag::PresentationLutShape, std::string("IDENTITY")};
    const std::pair<DataSetPtr, std::uint16_t> cases[] = {
        {makeDataSet({identity}), DimseStatus::Success},
        {makeDataSet({{PrintTag::PresentationLutShape, std::string("LIN OD")}}), DimseStatus::Success},
        {makeDataSet({table({4, 0, 8}, {0, 85, 170, 255})}), DimseStatus::Success},
        {makeDataSet({{PrintTag::PresentationLutShape, std::string("INVERSE")}}), DimseStatus::InvalidAttributeValue},
        {makeDataSet({}), DimseStatus::MissingAttribute},
        {makeDataSet({identity, table({2, 0, 8}, {0, 255})}), DimseStatus::InvalidAttributeValue},
        {makeDataSet({table({4, 0, 8}, {0, 85, 170})}), DimseStatus::InvalidAttributeValue},
        {makeDataSet({table({2, 0, 8}, {0, 256})}), DimseStatus::InvalidAttributeValue},
    };
    RequestFixture fixture;
    for (const auto& [attributes, status] : cases)
        EXPECT_EQ(fixture.send(CommandField::NCreateRq, SopClass::PresentationLut, "", attributes).status, status);
    EXPECT_EQ(fixture.storedObjects(), 3u);
}

// A reference to a Presentation LUT that is not stored is refused and changes nothing; the film
// box N-CREATE response carries the reference it was given; the image box's LUT wins over the
// film box's when the film prints.
TEST(PresentationLuts, ReferencedByFilmAndImageBoxesTheImageBoxsWins)
{
    RequestFixture fixture;
    const auto lut = [&](const char* shape) {
        const auto attributes = makeDataSet({{PrintTag::PresentationLutShape, std::string(shape)}});
        return fixture.send(CommandField::NCreateRq, SopClass::PresentationLut, "", attributes).dataSet->sopInstanceUid();
    };
    const auto naming = [](const std::string& uid) {
        return makeDataSet({{PrintTag::ReferencedPresentationLutSequence, referenceTo(SopClass::PresentationLut, uid)}});
    };
    const std::string session = fixture.createSession();
    DataSetPtr attributes = filmBoxAttributes("STANDARD\\2,1", session);
    attributes->add(naming("1.2.3.404")->attribute(PrintTag::ReferencedPresentationLutSequence));
    EXPECT_EQ(fixture.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", attributes).status,
              DimseStatus::InvalidAttributeValue);
    attributes->add(naming(lut("LIN OD"))->attribute(PrintTag::ReferencedPresentationLutSequence));
    const Response filmBox = fixture.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", attributes);
    ASSERT_EQ(filmBox.status, DimseStatus::Success);
    EXPECT_TRUE(filmBox.dataSet->attribute(PrintTag::ReferencedPresentationLutSequence).sequenceOrNull());
    const auto imageBoxes = RequestFixture::imageBoxesOf(filmBox.dataSet);
    EXPECT_EQ(fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, imageBoxes[0], naming("1.2.3.404")).status,
              DimseStatus::InvalidAttributeValue);
    ASSERT_EQ(fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, imageBoxes[0], naming(lut("IDENTITY"))).status,
              DimseStatus::Success);
    const DataSetPtr grey = makeImage(ImageSpec{4, 4, 8, Photometric::Monochrome2, [](int, int, int) { return 128; }, ""});
    for (int position : {1, 2})
        ASSERT_EQ(fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, imageBoxes[std::size_t(position - 1)],
                               imageBoxModification(grey, position)).status, DimseStatus::Success);
    ASSERT_EQ(fixture.print(filmBox.dataSet), DimseStatus::Success) << fixture.errorLog();
    const auto pictures = fixture.printers.pages().at(0).pictures;
    ASSERT_EQ(pictures.size(), 2u);
    const PrinterDensities& paper = defaultPaperDensities();
    EXPECT_EQ(qGray(pictures[0].image.pixel(1, 1)), printGreyScale({}, {}, paper)[128]);
    EXPECT_EQ(qGray(pictures[1].image.pixel(1, 1)), printGreyScale({PresentationCurve::Shape::LinearDensity, {}}, {}, paper)[128]);
}

} // namespace
} // namespace kestrova
