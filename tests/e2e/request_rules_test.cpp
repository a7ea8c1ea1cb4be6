// Requests DICOM does not allow a print requester, sent over a real association: each is refused
// with the status DIMSE gives for it, changes nothing, and the association goes on to print.
#include "service_fixture.h"

#include "data/print_tags.h"
#include "print_service/dimse_status.h"
#include "print_service/request_rules.h"
#include "printing/pdf_tools.h"
#include "support/print_jobs.h"

#include <functional>

namespace kestrova {
namespace {

using namespace test;

// What every case needs: one association with one film of one image box.
struct Film {
    TestScu& scu;
    FilmJob job;
};

struct Refusal {
    const char* name;
    const char* context; // the presentation context the request goes on
    std::function<ScuResponse(Film&)> request;
    std::uint16_t status;
};

DataSetPtr with(Tag tag, const std::string& value)
{
    auto dataSet = std::make_shared<DataSet>();
    dataSet->add(tag, value);
    return dataSet;
}

ScuResponse createOf(Film& film, const char* sopClass) { return film.scu.nCreate(sopClass, "", with(PrintTag::BorderDensity, "BLACK")); }

// A table of its own, LUT Data in OW words as DCMTK's print tools send it.
DataSetPtr lutTable()
{
    const std::uint16_t words[] = {0, 1023, 4095};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(words);
    auto item = std::make_shared<DataSet>();
    item->add(Attribute(PrintTag::LutDescriptor, "US", Numbers{3, 0, 12}));
    item->add(Attribute(PrintTag::LutData, "OW", std::make_shared<const std::vector<std::uint8_t>>(bytes, bytes + sizeof words)));
    auto table = makeCollection();
    table->add(item);
    auto lut = std::make_shared<DataSet>();
    lut->add(PrintTag::PresentationLutSequence, table);
    return lut;
}

const char* const Gray = SopClass::BasicGrayscalePrintManagementMeta;

const Refusal Refusals[] = {
    {"image box N-CREATE", Gray, [](Film& f) { return createOf(f, SopClass::BasicGrayscaleImageBox); },
     DimseStatus::SopClassNotSupported},
    {"film box on the Verification context", SopClass::Verification,
     [](Film& f) { return f.scu.nCreate(SopClass::BasicFilmBox, "", filmBoxAttributes("STANDARD\\1,1", f.job.session)); },
     DimseStatus::SopClassNotSupported},
    {"Presentation LUT on the meta context", Gray, [](Film& f) { return createOf(f, SopClass::PresentationLut); },
     DimseStatus::SopClassNotSupported},
    {"colour image box on the grayscale context", Gray,
     [](Film& f) { return f.scu.nSet(SopClass::BasicColorImageBox, f.job.imageBoxes.instances[0], with(PrintTag::Polarity, "REVERSE")); },
     DimseStatus::SopClassNotSupported},
    {"N-ACTION of action type 99", Gray, [](Film& f) { return f.scu.nAction(SopClass::BasicFilmBox, f.job.filmBox, 99); },
     DimseStatus::NoSuchActionType},
    {"Image Display Format set after creation", Gray,
     [](Film& f) { return f.scu.nSet(SopClass::BasicFilmBox, f.job.filmBox, with(PrintTag::ImageDisplayFormat, "STANDARD\\4,4")); },
     DimseStatus::InvalidAttributeValue},
    {"30000 copies", Gray,
     [](Film& f) { return f.scu.nCreate(SopClass::BasicFilmSession, "", with(PrintTag::NumberOfCopies, "30000")); },
     DimseStatus::InvalidAttributeValue},
    {"no copies set", Gray,
     [](Film& f) { return f.scu.nSet(SopClass::BasicFilmSession, f.job.session, with(PrintTag::NumberOfCopies, "0")); },
     DimseStatus::InvalidAttributeValue},
};

// Every refusal leaves the film as it was made, and the association prints it at the end: its
// one image on one page, whatever was refused on the way. A film box whose image boxes were never
// set prints its page as it stands.
TEST(RequestRules, EachRefusalIsAnsweredAndTheAssociationGoesOnToPrint)
{
    ServiceFixture service;
    TestScu scu;
    ConnectOptions options;
    options.abstractSyntaxes = {Gray, SopClass::PresentationLut, SopClass::Verification};
    Film film{scu, {}};
    runPeer([&] {
        ASSERT_TRUE(scu.connect("127.0.0.1", service.port(), options)) << scu.lastError();
        film.job = createFilm(scu, "STANDARD\\1,1");
        ASSERT_EQ(film.job.imageBoxes.instances.size(), 1u);
        for (const Refusal& refusal : Refusals) {
            ASSERT_TRUE(scu.useContext(refusal.context)) << refusal.name;
            EXPECT_EQ(refusal.request(film).status, refusal.status) << refusal.name;
            ASSERT_TRUE(scu.useContext(Gray));
            EXPECT_EQ(scu.nGet(SopClass::BasicFilmBox, film.job.filmBox).status, DimseStatus::Success)
                << "the association goes on after " << refusal.name;
        }
        EXPECT_EQ(scu.nSet(SopClass::BasicFilmBox, film.job.filmBox, with(PrintTag::BorderDensity, "WHITE")).status,
                  DimseStatus::Success);
        EXPECT_EQ(setImages(scu, film.job), std::vector<std::uint16_t>{DimseStatus::Success});
        EXPECT_EQ(scu.nAction(SopClass::BasicFilmBox, film.job.filmBox).status, DimseStatus::Success);
        ASSERT_TRUE(scu.useContext(SopClass::PresentationLut));
        EXPECT_EQ(scu.nCreate(SopClass::PresentationLut, "", lutTable()).status, DimseStatus::Success);
        ASSERT_TRUE(scu.useContext(Gray));
        const FilmJob empty = createFilm(scu, "STANDARD\\2,2");
        EXPECT_EQ(scu.nAction(SopClass::BasicFilmBox, empty.filmBox).status, DimseStatus::Success);
        scu.release();
    });
    const auto films = service.films();
    ASSERT_EQ(films.size(), 2u) << service.errorLog();
    EXPECT_EQ(pdfInfo(films[0]).pages, 1);
    EXPECT_EQ(pdfImages(films[0]).size(), 1u) << "the film kept its format of one image box";
    EXPECT_EQ(pdfImages(films[1]).size(), 0u) << "the empty film box's page";
}

// Number of Copies as DICOM codes it (IS) and within the maximum; an empty value asks for nothing.
TEST(RequestRules, NumberOfCopiesIsAWholeNumberUpToTheMaximum)
{
    for (const char* accepted : {"1", " 7 ", "+2", "99", ""})
        EXPECT_NO_THROW(checkNumberOfCopies(*with(PrintTag::NumberOfCopies, accepted))) << accepted;
    for (const char* refused : {"0", "-1", "100", "2.5", "1e1", "1\\2", "many"})
        EXPECT_ANY_THROW(checkNumberOfCopies(*with(PrintTag::NumberOfCopies, refused))) << refused;
}

} // namespace
} // namespace kestrova
