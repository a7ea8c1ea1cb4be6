#include "request_fixture.h"

#include "data/image_tags.h"
#include "images/image.h"
#include "print_service/dimse_status.h"
#include "core/settings_files.h"
#include "print_service/print_service.h"
#include "print_service/work_slots.h"
#include "support/event_loop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <set>
#include <thread>
#include <tuple>

namespace kestrova {
namespace {

using test::makeDataSet;
using test::makeImageBoxModification;
using test::referenceTo;
using test::RequestFixture;

TEST(NCreate, FilmSessionGetsANewUidUnlessGivenOne)
{
    RequestFixture fixture;
    const std::string uid = fixture.createSession();
    const Response got = fixture.send(CommandField::NGetRq, SopClass::BasicFilmSession, uid);
    ASSERT_TRUE(got.dataSet);
    EXPECT_EQ(got.dataSet->sopClassUid(), SopClass::BasicFilmSession);
    EXPECT_EQ(got.dataSet->attribute(PrintTag::NumberOfCopies).asText(), "1");
    const Response given = fixture.send(CommandField::NCreateRq, SopClass::BasicFilmSession, "1.2.3.4", makeDataSet({}));
    ASSERT_TRUE(given.dataSet);
    EXPECT_EQ(given.dataSet->sopInstanceUid(), "1.2.3.4");
    EXPECT_EQ(fixture.storedObjects(), 2u);
}

struct MetaCase {
    const char* meta;
    const char* imageBoxClass;
};

void PrintTo(const MetaCase& c, std::ostream* os) { *os << c.meta; }

class FilmBoxCreation : public testing::TestWithParam<MetaCase> {};

// The response lists the image boxes, one per cell (rows of their own lengths here), of the
// class of the negotiated meta SOP class; N-GET of the film box lists the same, and each is found
// by its UID.
TEST_P(FilmBoxCreation, MakesOneImageBoxPerCellOfTheNegotiatedClass)
{
    RequestFixture fixture(GetParam().meta);
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "ROW\\1,2,3");
    ASSERT_TRUE(filmBox);
    std::set<std::string> uids;
    for (const auto& reference : *filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence()) {
        const std::string uid = reference->attribute(ReferencedSopInstanceUidTag).asText();
        EXPECT_EQ(reference->attribute(ReferencedSopClassUidTag).asText(), GetParam().imageBoxClass);
        EXPECT_EQ(fixture.send(CommandField::NGetRq, GetParam().imageBoxClass, uid).status, DimseStatus::Success);
        uids.insert(uid);
    }
    EXPECT_EQ(uids.size(), 6u);
    const Response got = fixture.send(CommandField::NGetRq, SopClass::BasicFilmBox, filmBox->sopInstanceUid());
    EXPECT_EQ(RequestFixture::imageBoxesOf(got.dataSet), RequestFixture::imageBoxesOf(filmBox));
}

INSTANTIATE_TEST_SUITE_P(
    MetaSopClasses, FilmBoxCreation,
    testing::Values(MetaCase{SopClass::BasicGrayscalePrintManagementMeta, SopClass::BasicGrayscaleImageBox},
                    MetaCase{SopClass::BasicColorPrintManagementMeta, SopClass::BasicColorImageBox}));

using Send = std::function<Response(RequestFixture&, const std::string& session)>;

struct FailureCase {
    const char* name;
    std::uint16_t status;
    Send request;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailedRequest : public testing::TestWithParam<FailureCase> {};

TEST_P(FailedRequest, IsAnsweredWithItsStatusLoggedAndLosesOnlyItsOwnWork)
{
    RequestFixture fixture;
    const std::string session = fixture.createSession();
    fixture.createFilmBox(session, "STANDARD\\1,2");
    const std::size_t before = fixture.storedObjects();

    const Response response = GetParam().request(fixture, session);
    EXPECT_EQ(response.status, GetParam().status);
    EXPECT_FALSE(response.dataSet);
    EXPECT_NE(fixture.errorLog().find("NormalisedReceived\r\n"), std::string::npos) << fixture.errorLog();
    EXPECT_EQ(fixture.storedObjects(), before);
}

Send toUnknownInstance(std::uint16_t command, const char* sopClass)
{
    return [=](RequestFixture& f, const std::string&) { return f.send(command, sopClass, "9.9", makeDataSet({})); };
}

// A film box N-CREATE of the format (none when null), its session sequence what `reference` makes
// of the stored session's UID (none when null).
Send filmBox(const char* format, std::function<CollectionPtr(const std::string&)> reference)
{
    return [=](RequestFixture& f, const std::string& session) {
        auto request = makeDataSet({});
        if (format)
            request->add(PrintTag::ImageDisplayFormat, std::string(format));
        if (CollectionPtr sequence = reference(session))
            request->add(PrintTag::ReferencedFilmSessionSequence, std::move(sequence));
        return f.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", request);
    };
}

CollectionPtr theSession(const std::string& session) { return referenceTo(SopClass::BasicFilmSession, session); }

std::function<CollectionPtr(const std::string&)> always(CollectionPtr sequence)
{
    return [=](const std::string&) { return sequence; };
}

INSTANTIATE_TEST_SUITE_P(
    BehaviourOnFailure, FailedRequest,
    testing::Values(
        FailureCase{"SetOnUnknownInstance", DimseStatus::NoSuchObjectInstance,
                    toUnknownInstance(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox)},
        FailureCase{"GetOnUnknownInstance", DimseStatus::NoSuchObjectInstance,
                    toUnknownInstance(CommandField::NGetRq, SopClass::BasicFilmBox)},
        FailureCase{"ActionOnUnknownInstance", DimseStatus::NoSuchObjectInstance,
                    toUnknownInstance(CommandField::NActionRq, SopClass::BasicFilmBox)},
        FailureCase{"FilmBoxWithoutFormat", DimseStatus::MissingAttribute, filmBox(nullptr, theSession)},
        FailureCase{"FilmBoxWithoutSession", DimseStatus::MissingAttribute, filmBox("STANDARD\\1,1", always(nullptr))},
        FailureCase{"UndecodableFormat", DimseStatus::InvalidAttributeValue, filmBox("SLIDE", theSession)},
        FailureCase{"NoColumns", DimseStatus::InvalidAttributeValue, filmBox("STANDARD\\0,2", theSession)},
        FailureCase{"TooManyImageBoxes", DimseStatus::InvalidAttributeValue, filmBox("STANDARD\\182,181", theSession)},
        FailureCase{"SessionSequenceWithoutItem", DimseStatus::MissingAttributeValue,
                    filmBox("STANDARD\\1,1", always(makeCollection()))},
        FailureCase{"SessionItemWithoutInstance", DimseStatus::MissingAttributeValue,
                    filmBox("STANDARD\\1,1", always(referenceTo(SopClass::BasicFilmSession, "")))},
        FailureCase{"SessionNotStored", DimseStatus::InvalidAttributeValue,
                    filmBox("STANDARD\\2,2", always(referenceTo(SopClass::BasicFilmSession, "7.7.7")))},
        FailureCase{"DuplicateInstance", DimseStatus::DuplicateSopInstance,
                    [](RequestFixture& f, const std::string& s) {
                        return f.send(CommandField::NCreateRq, SopClass::BasicFilmSession, s, makeDataSet({}));
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// An image is decoded once the requester has its answer, while it sends the next one; the one
// that completes its film is decoded before its answer, so that the film's N-ACTION never waits
// for it. A decoded image is kept as its picture, without the pixel data received, and prints
// as the image itself with the attributes set beside it, grey or in colour as the meta SOP class.
TEST_P(FilmBoxCreation, ImageBoxesDecodeEachImageAsItArrivesAndPrintItWithTheAttributesSet)
{
    RequestFixture fixture(GetParam().meta);
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,2");
    const auto imageBoxes = RequestFixture::imageBoxesOf(filmBox);
    const bool colour = GetParam().imageBoxClass == std::string(SopClass::BasicColorImageBox);
    const ImageSpec imageSpec = test::sizedImage(
        4, 4, [](int row, int column, int sample) { return static_cast<std::uint16_t>(row * 40 + column * 9 + sample * 50); }, 8,
        colour ? test::Photometric::RgbInterleaved : test::Photometric::Monochrome2);
    for (const std::size_t box : {1u, 0u}) {
        DataSetPtr modification = makeImageBoxModification(imageSpec);
        modification->add(PrintTag::Polarity, std::string("REVERSE"));
        const Response response = fixture.association->handle(Request{
            CommandField::NSetRq, GetParam().imageBoxClass, imageBoxes[box], 0, fixture.metaSopClass, modification});
        EXPECT_EQ(response.status, DimseStatus::Success);
        const bool completesTheFilm = box == 0;
        EXPECT_EQ(response.afterSent == nullptr, completesTheFilm) << box;
        if (response.afterSent)
            response.afterSent();
        const Response got = fixture.send(CommandField::NGetRq, GetParam().imageBoxClass, imageBoxes[box]);
        EXPECT_EQ(got.dataSet->attribute(PrintTag::Polarity).asText(), "REVERSE");
        const DataSetPtr kept = imageOf(*got.dataSet);
        ASSERT_TRUE(kept) << box;
        EXPECT_FALSE(kept->has(ImageTag::PixelData)) << box;
    }
    EXPECT_EQ(fixture.send(CommandField::NActionRq, SopClass::BasicFilmBox, filmBox->sopInstanceUid()).status,
              DimseStatus::Success) << fixture.errorLog();
    const auto pages = fixture.printers.pages();
    ASSERT_EQ(pages.size(), 1u);
    const auto& pictures = pages[0].pictures;
    ASSERT_EQ(pictures.size(), 2u);
    QImage reversed = decodedPicture(*makeImage(imageSpec), LargestFilmPicture).image;
    reversed.invertPixels();
    EXPECT_EQ(pictures[0].image, reversed);
}

// A film session prints its film boxes in creation order; an image that cannot be decoded fails
// its film with the reason logged under "DoPrint", and the N-ACTION with it.
TEST(NAction, PrintsAFilmBoxOrEverySessionFilmAndAnswersTheOutcome)
{
    RequestFixture fixture;
    const std::string session = fixture.createSession();
    const DataSetPtr first = fixture.createFilmBox(session, "STANDARD\\1,1");
    const DataSetPtr second = fixture.createFilmBox(session, "STANDARD\\2,1");
    EXPECT_EQ(fixture.send(CommandField::NActionRq, SopClass::BasicFilmSession, session).status, DimseStatus::Success);
    EXPECT_EQ(fixture.printers.pages().size(), 2u);

    const DataSetPtr broken = makeImage(ImageSpec{});
    broken->add(ImageTag::BitsStored, Numbers{9});
    fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, RequestFixture::imageBoxesOf(first)[0],
                 imageBoxModification(broken));
    EXPECT_EQ(fixture.send(CommandField::NActionRq, SopClass::BasicFilmBox, first->sopInstanceUid()).status,
              DimseStatus::ProcessingFailure);
    EXPECT_NE(fixture.errorLog().find("481 Invalid picture: unsupported bit depthDoPrint"), std::string::npos)
        << fixture.errorLog();
    EXPECT_EQ(fixture.send(CommandField::NActionRq, SopClass::BasicFilmSession, session).status,
              DimseStatus::ProcessingFailure);
    EXPECT_EQ(fixture.printers.pages().size(), 3u) << "the session's good film still prints";

    const std::string empty = fixture.createSession();
    EXPECT_EQ(fixture.send(CommandField::NActionRq, SopClass::BasicFilmSession, empty).status,
              DimseStatus::FilmSessionHasNoFilmBox);
}

// The Printer instance is read-only, and an image box or a Presentation LUT has nothing to
// print; other DIMSE commands have no place in print management. The requester is told so,
// and nothing prints.
TEST(UnrecognizedOperation, IsAnsweredToWhatHasNoPlaceAndOnlyNGetReadsThePrinter)
{
    RequestFixture fixture;
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
    const std::string imageBox = RequestFixture::imageBoxesOf(filmBox)[0];
    const auto identity = makeDataSet({{PrintTag::PresentationLutShape, std::string("IDENTITY")}});
    const Response lut = fixture.send(CommandField::NCreateRq, SopClass::PresentationLut, "", identity);
    ASSERT_TRUE(lut.dataSet);
    const std::tuple<std::uint16_t, std::string, std::string> refused[] = {
        {CommandField::NSetRq, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NDeleteRq, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NActionRq, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NEventReportRq, SopClass::Printer, SopClass::PrinterInstance},
        {std::uint16_t(0x0001) /* C-STORE */, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NActionRq, SopClass::BasicGrayscaleImageBox, imageBox},
        {CommandField::NActionRq, SopClass::PresentationLut, lut.dataSet->sopInstanceUid()}};
    for (const auto& [command, sopClass, instance] : refused)
        EXPECT_EQ(fixture.send(command, sopClass, instance, makeDataSet({})).status, DimseStatus::UnrecognizedOperation)
            << command << " " << sopClass;
    EXPECT_TRUE(fixture.printers.pages().empty());
    const Response printer = fixture.send(CommandField::NGetRq, SopClass::Printer, SopClass::PrinterInstance);
    ASSERT_TRUE(printer.dataSet);
    EXPECT_EQ(printer.status, DimseStatus::Success);
    EXPECT_EQ(printer.dataSet->attribute(PrintTag::PrinterName).asText(), "AGFA");
    EXPECT_EQ(fixture.send(CommandField::NCreateRq, SopClass::Printer, SopClass::PrinterInstance, makeDataSet({})).status,
              DimseStatus::SopClassNotSupported);
}

// Deleting a session takes its film boxes and image boxes; deleting twice is harmless.
TEST(NDelete, OfASessionRemovesItsFilmBoxesAndUnknownUidsAreHarmless)
{
    RequestFixture fixture;
    const std::string session = fixture.createSession();
    const DataSetPtr filmBox = fixture.createFilmBox(session, "STANDARD\\2,2");
    fixture.createFilmBox(session, "STANDARD\\1,1");
    EXPECT_EQ(fixture.storedObjects(), 1u + 5u + 2u);
    EXPECT_EQ(fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmBox, filmBox->sopInstanceUid()).status,
              DimseStatus::Success);
    EXPECT_EQ(fixture.storedObjects(), 1u + 2u);
    for (int twice = 0; twice < 2; ++twice)
        EXPECT_EQ(fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmSession, session).status, DimseStatus::Success);
    EXPECT_EQ(fixture.storedObjects(), 0u);
}

// An association's objects are its own: another cannot make a film box in its session (requests
// to its UIDs over the network: NeverReachEachOthersFilms), and they go when it ends.
TEST(Associations, SeeOnlyTheirOwnObjectsWhichGoWhenTheyEnd)
{
    RequestFixture fixture;
    const std::string session = fixture.createSession();
    fixture.createFilmBox(session, "STANDARD\\1,1");
    auto other = fixture.openAssociation();
    EXPECT_EQ(fixture.createFilmBox(session, "STANDARD\\1,1", other.get()), nullptr) << "another association used the session";
    EXPECT_EQ(fixture.storedObjects(), 3u);

    fixture.createSession(other.get());
    EXPECT_EQ(fixture.storedObjects(), 4u);
    fixture.association.reset();
    EXPECT_EQ(fixture.storedObjects(), 1u);
}

// A job printing film after film gives its slot up after each and queues again: whoever waited
// meanwhile prints next, so no requester waits behind another's session for more than one film.
TEST(WorkSlots, AFreedSlotGoesToWhoWaitedLongestNotBackToWhoFreedIt)
{
    WorkSlots workSlots(1);
    std::mutex mutex;
    std::vector<std::string> order;
    const auto printed = [&](const char* who) {
        const std::lock_guard lock(mutex);
        order.emplace_back(who);
    };
    std::jthread other;
    {
        const auto film = workSlots.take(WorkKind::Print);
        other = std::jthread([&] {
            const auto slot = workSlots.take(WorkKind::Print);
            printed("other");
        });
        for (int i = 0; i < 10000 && workSlots.waiting(WorkKind::Print) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(workSlots.waiting(WorkKind::Print), 1u);
        EXPECT_EQ(workSlots.waiting(WorkKind::Decode), 0u) << "decodes queue on their own";
    }
    {
        const auto nextFilm = workSlots.take(WorkKind::Print);
        printed("holder");
    }
    other.join();
    EXPECT_EQ(order, (std::vector<std::string>{"other", "holder"}));
}

// The listener dropped the request's data set as too large: answered without it, nothing kept.
TEST(DataSetTooLarge, IsAnsweredInsufficientMemoryForAnImageAndResourceLimitationOtherwise)
{
    RequestFixture fixture;
    const std::string session = fixture.createSession();
    const std::string imageBox = RequestFixture::imageBoxesOf(fixture.createFilmBox(session, "STANDARD\\1,1"))[0];
    const std::size_t stored = fixture.storedObjects();
    const auto tooLarge = [&](std::uint16_t command, const std::string& sopClass, const std::string& instance) {
        const std::string context = sopClass == SopClass::BasicColorImageBox ? SopClass::BasicColorPrintManagementMeta
                                                                              : fixture.metaSopClass;
        return fixture.association->handle(Request{command, sopClass, instance, 1, context, nullptr, true}).status;
    };
    EXPECT_EQ(tooLarge(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, imageBox), DimseStatus::InsufficientMemoryForImage);
    EXPECT_EQ(tooLarge(CommandField::NSetRq, SopClass::BasicColorImageBox, imageBox), DimseStatus::InsufficientMemoryForImage);
    EXPECT_EQ(tooLarge(CommandField::NSetRq, SopClass::BasicFilmSession, session), DimseStatus::ResourceLimitation);
    EXPECT_EQ(tooLarge(CommandField::NCreateRq, SopClass::BasicFilmSession, ""), DimseStatus::ResourceLimitation);
    EXPECT_EQ(fixture.storedObjects(), stored);
}

// PACS administrators configure their modalities from the conformance statement: it lists
// exactly the statuses the service answers with.
TEST(ConformanceStatement, ListsEveryStatusTheServiceSendsAndNoOther)
{
    std::ifstream file(KESTROVA_CONFORMANCE_STATEMENT);
    ASSERT_TRUE(file) << KESTROVA_CONFORMANCE_STATEMENT;
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::set<std::uint16_t> listed;
    const std::regex status("0x([0-9A-F]{4})");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), status); match != std::sregex_iterator(); ++match)
        listed.insert(static_cast<std::uint16_t>(std::stoul((*match)[1].str(), nullptr, 16)));
    const std::set<std::uint16_t> sent = {
        DimseStatus::Success,           DimseStatus::InvalidAttributeValue, DimseStatus::ProcessingFailure,
        DimseStatus::DuplicateSopInstance, DimseStatus::NoSuchObjectInstance, DimseStatus::MissingAttribute,
        DimseStatus::MissingAttributeValue, DimseStatus::UnrecognizedOperation, DimseStatus::ResourceLimitation,
        DimseStatus::SopClassNotSupported, DimseStatus::NoSuchActionType, DimseStatus::FilmSessionHasNoFilmBox,
        DimseStatus::ImageLargerThanImageBox, DimseStatus::InsufficientMemoryForImage};
    EXPECT_EQ(listed, sent);
}

// Every minute: images/ keeps a day, films/ as many days as the settings file's [Films] section
// says.
TEST(Pruning, DeletesImagesADayOldAndFilmsAsOldAsTheirKeepDays)
{
    test::TempProgramFolder folder;
    test::writeFile(folder / "Kestrova.ini", "[Films]\r\nKeepDays=2\r\n");
    Configuration configuration;
    ReadFilmKeeping(configuration.films);
    test::RecordingPrinters printers;
    PrintService service(configuration, printers);
    EXPECT_NO_THROW(service.pruneImages()) << "no images folder yet";
    const auto now = std::chrono::system_clock::now();
    const auto age = [&](const std::filesystem::path& file, std::chrono::hours hours) {
        std::filesystem::create_directories(file.parent_path());
        test::writeFile(file, "x");
        std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(now - hours));
    };
    age(folder / "images" / "old.img", std::chrono::hours(24));
    age(folder / "images" / "young.img", std::chrono::hours(23));
    age(folder / "films" / "Film-20260101-000000-001.pdf", std::chrono::hours(48));
    age(folder / "films" / "Film-20260101-000001-001.pdf", std::chrono::hours(47));
    service.pruneImages();
    EXPECT_FALSE(std::filesystem::exists(folder / "images" / "old.img"));
    EXPECT_TRUE(std::filesystem::exists(folder / "images" / "young.img"));
    EXPECT_FALSE(std::filesystem::exists(folder / "films" / "Film-20260101-000000-001.pdf"));
    EXPECT_TRUE(std::filesystem::exists(folder / "films" / "Film-20260101-000001-001.pdf"));
}

// A restart puts the settings of the moment in force: a new association's Printer N-GET names
// the AE title and the emulation.
TEST(PrintService, RestartTakesTheSettingsInForce)
{
    test::TempProgramFolder folder;
    test::RecordingPrinters printers;
    Configuration configuration{Settings{"WARD3", test::freePort(), "AGFA", "", "Tahoma", 10, 0, ""}, HeaderLines{}, HeaderLines{}, Limits{}, AccessSettings{}, TlsSettings{}};
    PrintService service(configuration, printers);
    const auto printer = [&] {
        service.restart();
        const Response got = service.startAssociation({})->handle(Request{
            CommandField::NGetRq, SopClass::Printer, SopClass::PrinterInstance, 0, SopClass::BasicGrayscalePrintManagementMeta, {}});
        return got.dataSet->attribute(PrintTag::ManufacturerModelName).asText() + " "
               + got.dataSet->attribute(PrintTag::PrinterName).asText();
    };
    EXPECT_EQ(printer(), "WARD3 AGFA");
    configuration.settings.AETName = "WARD4";
    configuration.settings.Emulation = "KODAK";
    EXPECT_EQ(printer(), "WARD4 KODAK");

}

} // namespace
} // namespace kestrova
