// Annotation boxes, an image that may be neither decimated nor cropped, and the printer's
// configuration, over a real association that proposes their SOP classes.
#include "service_fixture.h"

#include "data/print_tags.h"
#include "print_service/dimse_status.h"
#include "printing/pdf_tools.h"

namespace kestrova {
namespace {

using namespace test;

const char* const Gray = SopClass::BasicGrayscalePrintManagementMeta;

DataSetPtr annotated(const std::string& session, const std::string& formatId)
{
    DataSetPtr filmBox = filmBoxAttributes("STANDARD\\1,1", session);
    filmBox->add(PrintTag::AnnotationDisplayFormatId, formatId);
    return filmBox;
}

DataSetPtr annotation(int position, const std::string& text)
{
    auto set = std::make_shared<DataSet>();
    set->add(PrintTag::AnnotationPosition, Numbers{double(position)});
    set->add(PrintTag::TextString, text);
    return set;
}

std::vector<std::string> instancesIn(const DataSetPtr& dataSet, Tag sequence)
{
    std::vector<std::string> uids;
    if (const CollectionPtr items = dataSet ? dataSet->attribute(sequence).sequenceOrNull() : nullptr)
        for (const DataSetPtr& item : *items)
            uids.push_back(item->attribute(ReferencedSopInstanceUidTag).textOrEmpty());
    return uids;
}

TEST(PrintObjects, AnnotationTextsPrintAndAnOversizedImageThatMayNotShrinkFailsItsFilm)
{
    ServiceFixture service;
    TestScu scu;
    ConnectOptions options;
    options.abstractSyntaxes = {Gray, SopClass::BasicAnnotationBox, SopClass::PrinterConfigurationRetrieval};
    std::string supported;
    runPeer([&] {
        ASSERT_TRUE(scu.connect("127.0.0.1", service.port(), options)) << scu.lastError();
        const std::string session = scu.nCreate(SopClass::BasicFilmSession, "", filmSessionAttributes()).affectedSopInstanceUid;
        EXPECT_EQ(scu.nCreate(SopClass::BasicFilmBox, "", annotated(session, "MARGINS")).status, DimseStatus::InvalidAttributeValue);
        const ScuResponse filmBox = scu.nCreate(SopClass::BasicFilmBox, "", annotated(session, "CORNERS"));
        const auto boxes = instancesIn(filmBox.dataSet, PrintTag::ReferencedBasicAnnotationBoxSequence);
        ASSERT_EQ(boxes.size(), 2u);
        ASSERT_TRUE(scu.useContext(SopClass::BasicAnnotationBox));
        EXPECT_EQ(scu.nSet(SopClass::BasicAnnotationBox, boxes[0], annotation(3, "NOWHERE")).status, DimseStatus::InvalidAttributeValue);
        EXPECT_EQ(scu.nSet(SopClass::BasicAnnotationBox, boxes[0], annotation(2, "LEFT KNEE")).status, DimseStatus::Success);
        ASSERT_TRUE(scu.useContext(Gray));
        EXPECT_EQ(setImages(scu, FilmJob{session, filmBox.affectedSopInstanceUid, imageBoxesOf(filmBox)}),
                  std::vector<std::uint16_t>{DimseStatus::Success});
        EXPECT_EQ(scu.nAction(SopClass::BasicFilmBox, filmBox.affectedSopInstanceUid).status, DimseStatus::Success);

        const FilmJob strict = createFilm(scu, "STANDARD\\1,1");
        DataSetPtr image = makeImageBoxModification(sizedImage(64, 64));
        image->add(PrintTag::RequestedImageSize, std::string("2000"));
        image->add(PrintTag::RequestedDecimateCropBehavior, std::string("FAIL"));
        EXPECT_EQ(scu.nSet(SopClass::BasicGrayscaleImageBox, strict.imageBoxes.instances.at(0), image).status, DimseStatus::Success);
        EXPECT_EQ(scu.nAction(SopClass::BasicFilmBox, strict.filmBox).status, DimseStatus::ImageLargerThanImageBox);

        ASSERT_TRUE(scu.useContext(SopClass::PrinterConfigurationRetrieval));
        const ScuResponse configuration =
            scu.nGet(SopClass::PrinterConfigurationRetrieval, SopClass::PrinterConfigurationInstance);
        EXPECT_EQ(configuration.status, DimseStatus::Success);
        if (const CollectionPtr items = configuration.dataSet ? configuration.dataSet->attribute(PrintTag::PrinterConfigurationSequence).sequenceOrNull() : nullptr; items && items->count() == 1)
            supported = items->item(1)->attribute(PrintTag::SopClassesSupported).textOrEmpty();
        scu.release();
    });
    EXPECT_NE(supported.find(SopClass::BasicAnnotationBox), std::string::npos) << supported;
    const auto films = service.films();
    ASSERT_EQ(films.size(), 1u) << "the film that failed left no page. " << service.errorLog();
    EXPECT_NE(pdfText(films[0]).find("LEFT KNEE"), std::string::npos);
    EXPECT_NE(service.errorLog().find("may be neither decimated nor cropped"), std::string::npos);
}

} // namespace
} // namespace kestrova
