#include "request_fixture.h"

#include "picture/picture.h"
#include "print_service/print_job.h"
#include "print_service/request_handler.h"
#include "printing/testing/recording_printers.h"
#include "data/dimse_status.h"
#include "images/image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <tuple>

namespace kestrova {
namespace {

using test::makeDataSet;
using test::ImageSpec;
using test::makeImageBoxModification;
using test::referenceTo;
using test::RequestFixture;

TEST(NCreate, FilmSessionGetsANewUidUnlessGivenOneAndIsStored)
{
    RequestFixture fixture;
    const std::string uid = fixture.createSession();
    ASSERT_TRUE(fixture.store.dataset(uid));
    EXPECT_EQ(fixture.store.dataset(uid)->sopClassUid(), SopClass::BasicFilmSession);
    EXPECT_EQ(fixture.store.dataset(uid)->attribute(PrintTag::NumberOfCopies).asText(), "1");
    const auto response = fixture.send(CommandField::NCreateRq, SopClass::BasicFilmSession, "1.2.3.4", makeDataSet({}));
    ASSERT_TRUE(response && response->dataSet);
    EXPECT_EQ(response->dataSet->sopInstanceUid(), "1.2.3.4");
    EXPECT_TRUE(fixture.store.dataset("1.2.3.4"));
}

struct MetaCase {
    const char* meta;
    const char* imageBoxClass;
};

void PrintTo(const MetaCase& c, std::ostream* os) { *os << c.meta; }

class FilmBoxCreation : public testing::TestWithParam<MetaCase> {};

TEST_P(FilmBoxCreation, MakesOneImageBoxPerCellOfTheNegotiatedClass)
{
    RequestFixture fixture(GetParam().meta);
    const std::string session = fixture.createSession();
    const DataSetPtr filmBox = fixture.createFilmBox(session, "STANDARD\\2,3");
    ASSERT_TRUE(filmBox);
    std::set<std::string> uids;
    std::vector<std::string> classes;
    const auto& references = *filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    for (const auto& reference : references) {
        const std::string uid = reference->attribute(ReferencedSopInstanceUidTag).asText();
        EXPECT_EQ(reference->sopInstanceUid(), uid);
        EXPECT_TRUE(fixture.store.dataset(uid));
        uids.insert(uid);
        classes.push_back(reference->attribute(ReferencedSopClassUidTag).asText());
    }
    EXPECT_EQ(uids.size(), 6u);
    EXPECT_EQ(classes, std::vector<std::string>(6, GetParam().imageBoxClass));
    // The image boxes are the film box's children, and the film box is its session's child.
    EXPECT_EQ(filmBox->children()->item(1), references.item(1));
    EXPECT_EQ(fixture.store.dataset(session)->children()->item(1), filmBox);
}

INSTANTIATE_TEST_SUITE_P(
    MetaSopClasses, FilmBoxCreation,
    testing::Values(MetaCase{SopClass::BasicGrayscalePrintManagementMeta, SopClass::BasicGrayscaleImageBox},
                    MetaCase{SopClass::BasicColorPrintManagementMeta, SopClass::BasicColorImageBox}));

struct FailureCase {
    const char* name;
    std::uint16_t status;
    std::function<std::optional<PendingResponse>(RequestFixture&, const std::string& session)> request;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class FailedRequest : public testing::TestWithParam<FailureCase> {};

TEST_P(FailedRequest, IsAnsweredWithItsStatusLoggedAndLosesOnlyItsOwnWork)
{
    RequestFixture fixture;
    Connection other("OTHER", "127.0.0.1");
    startCreatedObjects(other);
    const std::string otherSession = fixture.createSession(&other);
    const DataSetPtr otherFilm = fixture.createFilmBox(otherSession, "STANDARD\\1,2", &other);
    const std::string session = fixture.createSession();
    const std::size_t before = fixture.store.count();

    const auto response = GetParam().request(fixture, session);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, GetParam().status);
    EXPECT_FALSE(response->dataSet);
    EXPECT_NE(fixture.errorLog().find("NormalisedReceived\r\n"), std::string::npos) << fixture.errorLog();
    EXPECT_EQ(fixture.store.count(), before);
    EXPECT_TRUE(fixture.store.dataset(otherFilm->sopInstanceUid()));
}

DataSetPtr filmBoxRequest(std::optional<std::string> format, const std::string& session)
{
    auto request = makeDataSet({});
    if (format)
        request->add(PrintTag::ImageDisplayFormat, *format);
    if (!session.empty())
        request->add(PrintTag::ReferencedFilmSessionSequence, referenceTo(SopClass::BasicFilmSession, session));
    return request;
}

std::optional<PendingResponse> createFilmBox(RequestFixture& fixture, std::optional<std::string> format,
                                             const std::string& session)
{
    return fixture.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", filmBoxRequest(format, session));
}

INSTANTIATE_TEST_SUITE_P(
    BehaviourOnFailure, FailedRequest,
    testing::Values(
        FailureCase{"SetOnUnknownInstance", DimseStatus::NoSuchObjectInstance,
                    [](RequestFixture& f, const std::string&) {
                        return f.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, "9.9", makeDataSet({}));
                    }},
        FailureCase{"GetOnUnknownInstance", DimseStatus::NoSuchObjectInstance,
                    [](RequestFixture& f, const std::string&) {
                        return f.send(CommandField::NGetRq, SopClass::BasicFilmBox, "9.9");
                    }},
        FailureCase{"ActionOnUnknownInstance", DimseStatus::NoSuchObjectInstance,
                    [](RequestFixture& f, const std::string&) {
                        return f.send(CommandField::NActionRq, SopClass::BasicFilmBox, "9.9");
                    }},
        FailureCase{"FilmBoxWithoutFormat", DimseStatus::MissingAttribute,
                    [](RequestFixture& f, const std::string& s) { return createFilmBox(f, std::nullopt, s); }},
        FailureCase{"FilmBoxWithoutSession", DimseStatus::MissingAttribute,
                    [](RequestFixture& f, const std::string&) { return createFilmBox(f, "STANDARD\\1,1", ""); }},
        FailureCase{"UndecodableFormat", DimseStatus::InvalidAttributeValue,
                    [](RequestFixture& f, const std::string& s) { return createFilmBox(f, "SLIDE", s); }},
        FailureCase{"NoColumns", DimseStatus::InvalidAttributeValue,
                    [](RequestFixture& f, const std::string& s) { return createFilmBox(f, "STANDARD\\0,2", s); }},
        FailureCase{"TooManyImageBoxes", DimseStatus::InvalidAttributeValue,
                    [](RequestFixture& f, const std::string& s) { return createFilmBox(f, "STANDARD\\182,181", s); }},
        FailureCase{"RowWithoutCell", DimseStatus::InvalidAttributeValue,
                    [](RequestFixture& f, const std::string& s) { return createFilmBox(f, "ROW\\2,0", s); }},
        FailureCase{"SessionSequenceWithoutItem", DimseStatus::MissingAttributeValue,
                    [](RequestFixture& f, const std::string&) {
                        auto request = filmBoxRequest("STANDARD\\1,1", "");
                        request->add(PrintTag::ReferencedFilmSessionSequence, makeCollection());
                        return f.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", request);
                    }},
        FailureCase{"SessionItemWithoutInstance", DimseStatus::MissingAttributeValue,
                    [](RequestFixture& f, const std::string&) {
                        auto request = filmBoxRequest("STANDARD\\1,1", "");
                        auto sequence = makeCollection();
                        sequence->add(makeDataSet({{ReferencedSopClassUidTag, std::string(SopClass::BasicFilmSession)}}));
                        request->add(PrintTag::ReferencedFilmSessionSequence, sequence);
                        return f.send(CommandField::NCreateRq, SopClass::BasicFilmBox, "", request);
                    }},
        FailureCase{"SessionNotStored", DimseStatus::InvalidAttributeValue,
                    [](RequestFixture& f, const std::string&) { return createFilmBox(f, "STANDARD\\2,2", "7.7.7"); }},
        FailureCase{"DuplicateInstance", DimseStatus::DuplicateSopInstance,
                    [](RequestFixture& f, const std::string& s) {
                        return f.send(CommandField::NCreateRq, SopClass::BasicFilmSession, s, makeDataSet({}));
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// What a requester meant by ROW\ and COL\ is what it gets: it refuses a film box whose image
// box count differs from its own.
class ImageBoxCount : public testing::TestWithParam<std::pair<const char*, std::size_t>> {};

TEST_P(ImageBoxCount, IsTheNumberOfCellsOfTheFormat)
{
    RequestFixture fixture;
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), GetParam().first);
    ASSERT_TRUE(filmBox) << fixture.errorLog();
    EXPECT_EQ(filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence()->count(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Formats, ImageBoxCount,
                         testing::Values(std::pair{"ROW\\2,1", 3u}, std::pair{"ROW\\1,2,3", 6u},
                                         std::pair{"COL\\3,2", 5u}, std::pair{"CUSTOM\\1,2", 2u},
                                         std::pair{"2,3", 6u}, std::pair{"STANDARD\\181,181", 32761u}));

// The image box the film box lists is the one an N-SET changes. While its film waits, its image
// is kept as the decoded picture's compressed pixels only, without the received pixel data; the
// picture it gives back is the image's own.
TEST(NSet, ReplacesAttributesOfTheSharedImageBoxAndKeepsItsImageCompressed)
{
    RequestFixture fixture;
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
    const DataSetPtr imageBox = filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence()->item(1);
    DataSetPtr modification = makeImageBoxModification(ImageSpec{});
    modification->add(PrintTag::Polarity, std::string("REVERSE"));
    const auto response = fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox,
                                       imageBox->sopInstanceUid(), modification);
    EXPECT_EQ(response->status, DimseStatus::Success);
    EXPECT_EQ(imageBox->attribute(PrintTag::Polarity).asText(), "REVERSE");
    const DataSetPtr image = imageBox->attribute(PrintTag::BasicGrayscaleImageSequence).asSequence()->item(1);
    ASSERT_TRUE(image->preparedPicture());
    EXPECT_TRUE(image->preparedPicture()->image.isNull());
    ASSERT_TRUE(image->preparedPicture()->compressed);
    EXPECT_EQ(image->preparedPicture()->compressed->width, ImageSpec{}.columns);
    EXPECT_FALSE(image->has(Tag{0x7FE0, 0x0010}));
    EXPECT_EQ(Image(image).picture().image, Image(test::makeImage(ImageSpec{})).picture().image);
}

// An image is decoded while the requester sends its next one, but the one that completes its
// film is decoded before it is answered, so that the film's N-ACTION never waits for it.
TEST(NSet, OnlyTheImageThatCompletesItsFilmIsPreparedBeforeItsAnswer)
{
    RequestFixture fixture;
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,2");
    const CollectionPtr imageBoxes = filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence();
    for (const std::size_t box : {2u, 1u}) {
        Connection& connection = fixture.connection;
        connection.beginRequest(requestCommand(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox,
                                               imageBoxes->item(box)->sopInstanceUid()),
                                makeImageBoxModification(ImageSpec{}), fixture.metaSopClass);
        handleRequest(connection, fixture.store, [](const DataSetPtr&) { return Connection::AssociationWork{}; });
        const bool completes = box == 1;
        const Connection::ScheduledWork before = connection.takeAssociationWork(Connection::WorkTiming::BeforeResponse);
        const Connection::ScheduledWork after = connection.takeAssociationWork(Connection::WorkTiming::AfterResponse);
        EXPECT_EQ(before.work != nullptr, completes) << box;
        EXPECT_EQ(after.work != nullptr, !completes) << box;
        const Connection::ScheduledWork& preparation = completes ? before : after;
        ASSERT_TRUE(preparation.work);
        EXPECT_EQ(preparation.kind, Connection::WorkKind::Preparation);
        preparation.work(connection)();
        const DataSetPtr image = imageSequenceOf(*imageBoxes->item(box)).asSequence()->item(1);
        EXPECT_TRUE(image->preparedPicture()) << box;
    }
}

// A job prints the objects and settings as they were when it was taken, on the printer the
// settings name when it is listed and on the default otherwise, and hands its page on.
TEST(PrintJob, PrintsWhatWasStoredAndSetWhenTakenOnTheListedPrinterOfTheSettings)
{
    RequestFixture fixture;
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
    const std::string imageBox
        = filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence()->item(1)->sopInstanceUid();
    const auto setImage = [&](int columns) {
        ImageSpec image;
        image.columns = columns;
        fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, imageBox, makeImageBoxModification(image));
    };
    setImage(8);
    Configuration configuration{Settings{}, HeaderLines{}, HeaderLines{}};
    test::RecordingPrinters printers;
    printers.setPrinters({"Ward", "Film Printer", "Kestrova PDF"}, "Ward");
    configuration.settings.Printer = "Film Printer";
    PrintJob job(fixture.store, filmBox, configuration, LutState{}, printers);
    configuration.settings.Printer = "film printer"; // names match exactly: not listed
    PrintJob onTheDefault(fixture.store, filmBox, configuration, LutState{}, printers);

    setImage(2);
    fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmBox, filmBox->sopInstanceUid());
    ASSERT_EQ(job.print(), DimseStatus::Success);
    ASSERT_EQ(onTheDefault.print(), DimseStatus::Success);
    const auto pages = printers.pages();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].printer, "Film Printer");
    EXPECT_EQ(pages[1].printer, "Ward");
    ASSERT_EQ(pages[0].pictures.size(), 1u);
    EXPECT_EQ(pages[0].pictures[0].image.width(), 8);
    EXPECT_EQ(job.printedPages().size(), 1u);
}

// A film session prints the film boxes stored when its job was taken, a page each in creation
// order; one that fails is logged under "DoPrint" and fails the action, not the others.
TEST(PrintJob, OfAFilmSessionPrintsEachStoredFilmBoxAndFailsWithAnyOfThem)
{
    RequestFixture fixture;
    const std::string session = fixture.createSession();
    const Configuration configuration{Settings{}, HeaderLines{}, HeaderLines{}};
    test::RecordingPrinters printers;
    // The status, and the number of rows of each page printed.
    const auto printSession = [&] {
        PrintJob job(fixture.store, fixture.store.dataset(session), configuration, LutState{}, printers);
        const std::uint16_t status = job.print();
        std::vector<std::size_t> rows;
        for (const auto& page : job.printedPages())
            rows.push_back(page->layout.cellsPerLine.size());
        return std::pair{status, rows};
    };
    using Printed = std::pair<std::uint16_t, std::vector<std::size_t>>;
    EXPECT_EQ(printSession(), (Printed{DimseStatus::FilmSessionHasNoFilmBox, {}}));

    const std::string failing = fixture.createFilmBox(session, "STANDARD\\1,1")->sopInstanceUid();
    fixture.createFilmBox(session, "STANDARD\\1,2");
    const std::string deleted = fixture.createFilmBox(session, "STANDARD\\1,1")->sopInstanceUid();
    fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmBox, deleted);
    EXPECT_EQ(printSession(), (Printed{DimseStatus::Success, {1, 2}}));
    fixture.store.dataset(failing)->add(PrintTag::ImageDisplayFormat, std::string("SLIDE"));
    EXPECT_EQ(printSession(), (Printed{DimseStatus::ProcessingFailure, {2}}));
    EXPECT_NE(fixture.errorLog().find(" 5 Invalid procedure call or argumentDoPrint\r\n"), std::string::npos)
        << fixture.errorLog();
}

TEST(NAction, HandsTheStoredObjectToPrintingAndAnswersItsStatus)
{
    RequestFixture fixture;
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
    fixture.printStatus = DimseStatus::ProcessingFailure;
    const auto response = fixture.send(CommandField::NActionRq, SopClass::BasicFilmBox, filmBox->sopInstanceUid());
    EXPECT_EQ(response->status, DimseStatus::ProcessingFailure);
    EXPECT_EQ(fixture.printed, std::vector<std::string>{filmBox->sopInstanceUid()});
}

// The Printer instance is read-only, and an image box or a Presentation LUT has nothing to
// print; other DIMSE commands have no place in print management. The requester is told so,
// and no print job starts.
TEST(UnrecognizedOperation, IsAnsweredToWhatHasNoPlaceAndOnlyNGetReadsThePrinter)
{
    RequestFixture fixture;
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
    const DataSetPtr imageBox = filmBox->attribute(PrintTag::ReferencedImageBoxSequence).asSequence()->item(1);
    const auto lut = fixture.send(CommandField::NCreateRq, SopClass::PresentationLut, "", makeDataSet({}));
    ASSERT_TRUE(lut && lut->dataSet);
    const std::tuple<std::uint16_t, std::string, std::string> refused[] = {
        {CommandField::NSetRq, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NDeleteRq, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NActionRq, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NEventReportRq, SopClass::Printer, SopClass::PrinterInstance},
        {std::uint16_t(0x0001) /* C-STORE */, SopClass::Printer, SopClass::PrinterInstance},
        {CommandField::NActionRq, SopClass::BasicGrayscaleImageBox, imageBox->sopInstanceUid()},
        {CommandField::NActionRq, SopClass::PresentationLut, lut->dataSet->sopInstanceUid()}};
    for (const auto& [command, sopClass, instance] : refused) {
        const auto response = fixture.send(command, sopClass, instance, makeDataSet({}));
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, DimseStatus::UnrecognizedOperation) << command << " " << sopClass;
    }
    EXPECT_TRUE(fixture.printed.empty());
    const auto response = fixture.send(CommandField::NGetRq, SopClass::Printer, SopClass::PrinterInstance);
    ASSERT_TRUE(response && response->dataSet);
    EXPECT_EQ(response->status, DimseStatus::Success);
    EXPECT_EQ(response->dataSet->attribute(PrintTag::PrinterName).asText(), "AGFA");
}

TEST(NDelete, OfASessionRemovesItsFilmBoxesAndUnknownUidsAreHarmless)
{
    RequestFixture fixture;
    const std::string session = fixture.createSession();
    fixture.createFilmBox(session, "STANDARD\\2,2");
    fixture.createFilmBox(session, "STANDARD\\1,1");
    EXPECT_EQ(fixture.store.count(), 1u + 1u + 5u + 2u);
    auto response = fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmSession, session);
    EXPECT_EQ(response->status, DimseStatus::Success);
    EXPECT_EQ(fixture.store.count(), 1u);
    response = fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmSession, session);
    EXPECT_EQ(response->status, DimseStatus::Success);
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
        DimseStatus::MissingAttributeValue, DimseStatus::UnrecognizedOperation, DimseStatus::FilmSessionHasNoFilmBox};
    EXPECT_EQ(listed, sent);
}

TEST(AssociationEnd, RemovesWhatTheConnectionCreatedAndNothingElse)
{
    RequestFixture fixture;
    Connection other("OTHER", "127.0.0.1");
    startCreatedObjects(other);
    const DataSetPtr mine = fixture.createFilmBox(fixture.createSession(), "STANDARD\\2,1");
    const std::string otherSession = fixture.createSession(&other);
    const DataSetPtr theirs = fixture.createFilmBox(otherSession, "STANDARD\\1,1", &other);
    // A film box of this connection in the other's session goes too.
    const DataSetPtr crossed = fixture.createFilmBox(otherSession, "STANDARD\\1,1");

    removeCreatedObjects(fixture.connection, fixture.store);
    EXPECT_FALSE(fixture.store.dataset(mine->sopInstanceUid()));
    EXPECT_FALSE(fixture.store.dataset(crossed->sopInstanceUid()));
    EXPECT_TRUE(fixture.store.dataset(theirs->sopInstanceUid()));
    EXPECT_TRUE(fixture.store.dataset(otherSession));
    EXPECT_TRUE(fixture.store.dataset(SopClass::PrinterInstance));
    EXPECT_EQ(fixture.store.count(), 4u); // Printer, session, film box, image box
}

} // namespace
} // namespace kestrova
