#include "service_fixture.h"

#include "printing/pdf_tools.h"
#include "support/print_jobs.h"
#include "toolkit/dimse_status.h"
#include "toolkit/image_tags.h"
#include "toolkit/print_tags.h"

#include <gtest/gtest.h>

#include <QTcpSocket>

#include <random>
#include <thread>

namespace kestrova {
namespace {

using namespace test;

constexpr std::uint16_t Ok = DimseStatus::Success;

class WholeJob : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(WholeJob, PrintsOnePageAndLeavesOnlyThePrinterBehind)
{
    const auto [meta, imageBoxClass] = GetParam();
    ServiceFixture service;
    TestScu scu;
    Response printer;
    FilmJob job;
    std::vector<std::uint16_t> setStatuses;
    Response action;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu, meta));
        scu.useContext(uid::Printer);
        printer = scu.nGet(uid::Printer, uid::PrinterInstance);
        scu.useContext(meta);
        job = createFilm(scu, "STANDARD\\2,3");
        setStatuses = setImages(scu, job);
        action = scu.nAction(uid::FilmBox, job.filmBox);
    });

    ASSERT_TRUE(printer.received && printer.dataSet);
    EXPECT_EQ(printer.status, Ok);
    EXPECT_EQ(printer.dataSet->attribute(PrintTag::Manufacturer).asText(), "Quendal Kestrova");
    EXPECT_EQ(printer.dataSet->attribute(PrintTag::ManufacturerModelName).asText(), "KODAK");
    EXPECT_EQ(printer.dataSet->attribute(PrintTag::PrinterName).asText(), "KODAK");
    EXPECT_EQ(printer.dataSet->attribute(PrintTag::PrinterStatus).asText(), "NORMAL");

    ASSERT_FALSE(job.session.empty());
    EXPECT_TRUE(service.stored(job.session));
    EXPECT_EQ(job.imageBoxClasses, std::vector<std::string>(6, imageBoxClass));
    EXPECT_EQ(std::set<std::string>(job.imageBoxes.begin(), job.imageBoxes.end()).size(), 6u);
    EXPECT_EQ(setStatuses, std::vector<std::uint16_t>(6, Ok));
    EXPECT_EQ(action.status, Ok) << service.errorLog();
    ASSERT_EQ(service.films().size(), 1u);
    EXPECT_EQ(pdfInfo(service.films()[0]).pages, 1);

    Response deleted;
    runPeer([&] { deleted = scu.nDelete(uid::FilmSession, job.session); });
    EXPECT_EQ(deleted.status, Ok);
    EXPECT_FALSE(service.stored(job.filmBox));
    EXPECT_FALSE(service.stored(job.imageBoxes[0]));
    EXPECT_EQ(service.storedCount(), 1u);

    // A job left behind by a released association goes with it.
    runPeer([&] {
        createFilm(scu);
        scu.release();
    });
    ASSERT_TRUE(pumpUntil([&] { return service.storedCount() == 1; }));
    EXPECT_TRUE(service.stored(uid::PrinterInstance));
    EXPECT_EQ(service.errorLog(), "");
}

INSTANTIATE_TEST_SUITE_P(MetaSopClasses, WholeJob,
                         testing::Values(std::pair{uid::GrayscaleMeta, uid::GrayscaleImageBox},
                                         std::pair{uid::ColorMeta, uid::ColorImageBox}),
                         [](const auto& info) { return info.index == 0 ? "Grayscale" : "Colour"; });

TEST(FailedRequests, AreAnsweredLoggedAndLeaveAnotherConnectionsFilmPrintable)
{
    ServiceFixture service;
    TestScu owner;
    TestScu other;
    FilmJob film;
    runPeer([&] {
        ASSERT_TRUE(service.connect(owner));
        film = createFilm(owner, "STANDARD\\1,1");
        setImages(owner, film);
        ASSERT_TRUE(service.connect(other));
    });

    struct Case {
        const char* name;
        std::uint16_t status;
        std::function<Response(TestScu&)> request;
    };
    // A film box request for the owner's session, with one attribute left out when asked.
    auto filmBox = [&](const std::string& format, std::optional<Tag> without = std::nullopt,
                       const std::string& session = {}) {
        DataSetPtr attributes = filmBoxAttributes(format, session.empty() ? film.session : session);
        if (without)
            attributes->remove(*without);
        return attributes;
    };
    const std::vector<Case> cases = {
        {"N-GET unknown", DimseStatus::NoSuchObjectInstance, [](TestScu& s) { return s.nGet(uid::FilmBox, "1.2.3.9"); }},
        {"N-SET unknown", DimseStatus::NoSuchObjectInstance,
         [](TestScu& s) { return s.nSet(uid::GrayscaleImageBox, "1.2.3.9", makeImageBoxModification({})); }},
        {"N-ACTION unknown", DimseStatus::NoSuchObjectInstance, [](TestScu& s) { return s.nAction(uid::FilmBox, "1.2.3.9"); }},
        {"no format", DimseStatus::MissingAttribute,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("STANDARD\\1,1", PrintTag::ImageDisplayFormat)); }},
        {"no session reference", DimseStatus::MissingAttribute,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("STANDARD\\1,1", PrintTag::ReferencedFilmSessionSequence)); }},
        {"SLIDE", DimseStatus::InvalidAttributeValue,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("SLIDE")); }},
        {"no rows", DimseStatus::InvalidAttributeValue,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("STANDARD\\1,0")); }},
        {"ROW\\2,0", DimseStatus::InvalidAttributeValue,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("ROW\\2,0")); }},
        {"ROW\\2,", DimseStatus::InvalidAttributeValue,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("ROW\\2,")); }},
        {"COL\\", DimseStatus::InvalidAttributeValue,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("COL\\")); }},
        {"182 x 181", DimseStatus::InvalidAttributeValue,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("STANDARD\\182,181")); }},
        {"unknown session", DimseStatus::InvalidAttributeValue,
         [&](TestScu& s) { return s.nCreate(uid::FilmBox, "", filmBox("STANDARD\\1,1", std::nullopt, "1.2.3.9")); }},
        {"duplicate", DimseStatus::DuplicateSopInstance,
         [&](TestScu& s) { return s.nCreate(uid::FilmSession, film.session, std::make_shared<DataSet>()); }},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Response response;
        runPeer([&] { response = cases[i].request(other); });
        EXPECT_TRUE(response.received) << cases[i].name;
        EXPECT_EQ(response.status, cases[i].status) << cases[i].name;
        const std::string log = service.errorLog();
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), static_cast<long>(i + 1)) << cases[i].name << "\n" << log;
        EXPECT_NE(log.rfind("NormalisedReceived\r\n"), std::string::npos);
        EXPECT_TRUE(service.stored(film.filmBox)) << cases[i].name;
    }
    Response action;
    runPeer([&] { action = owner.nAction(uid::FilmBox, film.filmBox); });
    EXPECT_EQ(action.status, Ok);
    EXPECT_EQ(service.films().size(), 1u);
}

// What an independent client meant by ROW\ and COL\ is what it gets: it refuses a film box
// whose image box count differs from its own.
TEST(Layouts, RowAndColumnFormatsMakeTheirImageBoxesAndPrintOnePage)
{
    const std::vector<std::pair<std::string, std::size_t>> formats = {
        {"ROW\\2,1", 3}, {"ROW\\1,2,3", 6}, {"COL\\3,2", 5}, {"CUSTOM\\1,2", 2}, {"2,3", 6}};
    ServiceFixture service;
    TestScu scu;
    std::vector<std::size_t> boxes;
    std::vector<std::uint16_t> actions;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu, uid::ColorMeta));
        for (const auto& format : formats) {
            const FilmJob job = createFilm(scu, format.first);
            boxes.push_back(job.imageBoxes.size());
            setImages(scu, job);
            actions.push_back(scu.nAction(uid::FilmBox, job.filmBox).status);
        }
    });
    ASSERT_EQ(service.films().size(), formats.size()) << service.errorLog();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        EXPECT_EQ(boxes[i], formats[i].second) << formats[i].first;
        EXPECT_EQ(actions[i], Ok) << formats[i].first;
        EXPECT_EQ(pdfInfo(service.films()[i]).pages, 1) << formats[i].first;
        EXPECT_EQ(pdfImages(service.films()[i]).size(), formats[i].second) << formats[i].first;
    }
}

// Every attribute a requester may set, over the network and through the built-in printer:
// two copies of a 14 x 17 inch portrait film, ROW\1,2 with black borders and a white empty
// cell, image 1 reversed at 50 mm, image 2 replicated to the printer's pixels.
TEST(FilmAttributes, AFilmCarryingEveryAttributePrintsAsAsked)
{
    ServiceFixture service;
    TestScu scu;
    Response action;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu));
        const std::string session = scu.nCreate(uid::FilmSession, "", filmSessionAttributes(2)).affectedSopInstanceUid;
        DataSetPtr filmBox = filmBoxAttributes("ROW\\1,2", session);
        filmBox->add(Attribute(PrintTag::FilmSizeId, "CS", std::string("14INX17IN")));
        filmBox->add(Attribute(PrintTag::MagnificationType, "CS", std::string("REPLICATE")));
        filmBox->add(Attribute(PrintTag::BorderDensity, "CS", std::string("BLACK")));
        filmBox->add(Attribute(PrintTag::EmptyImageDensity, "CS", std::string("WHITE")));
        const Response created = scu.nCreate(uid::FilmBox, "", filmBox);
        const ImageBoxRefs imageBoxes = imageBoxesOf(created);
        ASSERT_EQ(imageBoxes.instances.size(), 3u);
        ImageSpec imageSpec;
        imageSpec.rows = 16;
        imageSpec.columns = 16;
        imageSpec.pixel = [](int, int, int) { return std::uint16_t(200); };
        DataSetPtr first = makeImageBoxModification(imageSpec, 1);
        first->add(Attribute(PrintTag::Polarity, "CS", std::string("REVERSE")));
        first->add(Attribute(PrintTag::RequestedImageSize, "DS", std::string("50")));
        EXPECT_EQ(scu.nSet(uid::GrayscaleImageBox, imageBoxes.instances[0], first).status, Ok);
        EXPECT_EQ(scu.nSet(uid::GrayscaleImageBox, imageBoxes.instances[1], makeImageBoxModification(imageSpec, 2)).status,
                  Ok);
        action = scu.nAction(uid::FilmBox, created.affectedSopInstanceUid);
    });
    EXPECT_EQ(action.status, Ok) << service.errorLog();
    ASSERT_EQ(service.films().size(), 1u);
    const auto film = service.films()[0];
    const PdfInfo info = pdfInfo(film);
    EXPECT_EQ(info.pages, 2);
    EXPECT_NE(info.pageSize.find("1008 x 1224 pts"), std::string::npos) << info.pageSize;
    // 600 dpi: 50 mm is 1181 pixels; the 9720-twip cell of row 2 takes 4050.
    std::vector<int> widths;
    for (const auto& image : pdfImages(film))
        widths.push_back(image.width);
    EXPECT_EQ(widths, (std::vector<int>{1181, 4050, 1181, 4050}));

    // Page twips: a quarter-inch margin, then rows of 11880 below no caption.
    constexpr int dpi = 20;
    const QImage page = renderGray(film, dpi);
    const auto greyAt = [&](int x, int y) { return qGray(page.pixel((x + 360) * dpi / 1440, (y + 360) * dpi / 1440)); };
    EXPECT_NEAR(greyAt(9720, 5940), 55, 4) << "image 1 reversed";
    EXPECT_LE(greyAt(2000, 5940), 5) << "border beside image 1";
    EXPECT_NEAR(greyAt(4860, 17820), 200, 4) << "image 2";
    EXPECT_LE(greyAt(4860, 12300), 5) << "border above image 2";
    EXPECT_GE(greyAt(14580, 17820), 250) << "the empty cell";
}

TEST(Associations, InterleavedJobsBothPrintAndANewAssociationLosesNothing)
{
    ServiceFixture service;
    TestScu first;
    TestScu second;
    TestScu latecomer;
    std::uint16_t firstAction = 0xFFFF;
    std::uint16_t secondAction = 0xFFFF;
    runPeer([&] {
        ASSERT_TRUE(service.connect(first));
        ASSERT_TRUE(service.connect(second, uid::ColorMeta));
        const FilmJob a = createFilm(first);
        const FilmJob b = createFilm(second);
        setImages(first, a);
        ASSERT_TRUE(service.connect(latecomer)); // an association start in the middle of both jobs
        setImages(second, b);
        secondAction = second.nAction(uid::FilmBox, b.filmBox).status;
        firstAction = first.nAction(uid::FilmBox, a.filmBox).status;
    });
    EXPECT_EQ(firstAction, Ok);
    EXPECT_EQ(secondAction, Ok);
    EXPECT_EQ(service.films().size(), 2u);
}

TEST(Associations, PrintsThatArriveTogetherEachGetTheirOwnPage)
{
    ServiceFixture service;
    TestScu first;
    TestScu second;
    FilmJob a;
    FilmJob b;
    runPeer([&] {
        ASSERT_TRUE(service.connect(first));
        ASSERT_TRUE(service.connect(second));
        a = createFilm(first);
        b = createFilm(second);
        setImages(first, a);
        setImages(second, b);
    });
    std::uint16_t firstAction = 0xFFFF;
    std::uint16_t secondAction = 0xFFFF;
    runPeer([&] {
        std::thread other([&] { secondAction = second.nAction(uid::FilmBox, b.filmBox).status; });
        firstAction = first.nAction(uid::FilmBox, a.filmBox).status;
        other.join();
    });
    EXPECT_EQ(firstAction, Ok);
    EXPECT_EQ(secondAction, Ok);
    ASSERT_EQ(service.films().size(), 2u);
    for (const auto& film : service.films()) {
        EXPECT_EQ(pdfInfo(film).pages, 1);
        EXPECT_EQ(pdfImages(film).size(), 4u) << film;
    }
}

TEST(Associations, AnAbortedJobIsRemovedAndTheServiceGoesOn)
{
    ServiceFixture service;
    TestScu aborted;
    FilmJob job;
    runPeer([&] {
        ASSERT_TRUE(service.connect(aborted));
        job = createFilm(aborted);
        setImages(aborted, job);
        aborted.abort();
    });
    ASSERT_TRUE(pumpUntil([&] { return !service.stored(job.session); }));
    EXPECT_EQ(service.storedCount(), 1u);

    EXPECT_TRUE(nextJobPrints(service));
}

TEST(PrinterInstance, RefusesChangesButAnswersNGet)
{
    ServiceFixture service;
    TestScu scu;
    std::vector<std::uint16_t> statuses;
    Response get;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu));
        scu.useContext(uid::Printer);
        statuses.push_back(scu.nSet(uid::Printer, uid::PrinterInstance, std::make_shared<DataSet>()).status);
        statuses.push_back(scu.nDelete(uid::Printer, uid::PrinterInstance).status);
        statuses.push_back(scu.nAction(uid::Printer, uid::PrinterInstance).status);
        get = scu.nGet(uid::Printer, uid::PrinterInstance);
    });
    EXPECT_EQ(statuses, std::vector<std::uint16_t>(3, DimseStatus::UnrecognizedOperation));
    EXPECT_EQ(get.status, Ok);
    ASSERT_TRUE(get.dataSet);
    EXPECT_EQ(get.affectedSopInstanceUid, uid::PrinterInstance);
}

TEST(SessionPrint, PrintsEveryFilmBoxOrAnswersThatThereIsNone)
{
    ServiceFixture service;
    TestScu scu;
    std::uint16_t empty = 0;
    std::uint16_t full = 0xFFFF;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu));
        const FilmJob first = createFilm(scu, "STANDARD\\1,1");
        empty = scu.nAction(uid::FilmSession, scu.nCreate(uid::FilmSession, "", std::make_shared<DataSet>())
                                                  .affectedSopInstanceUid)
                    .status;
        setImages(scu, first);
        // A second film box in the same session.
        const FilmJob second = createFilmBox(scu, first.session, "STANDARD\\2,1");
        setImages(scu, second);
        full = scu.nAction(uid::FilmSession, first.session).status;
    });
    EXPECT_EQ(empty, DimseStatus::FilmSessionHasNoFilmBox);
    EXPECT_EQ(full, Ok) << service.errorLog();
    EXPECT_EQ(service.films().size(), 2u);
}

TEST(OtherCommands, AreAnsweredAsUnrecognizedAndTheAssociationStaysUsable)
{
    ServiceFixture service;
    TestScu scu;
    Response eventReport;
    Response get;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu));
        scu.useContext(uid::Printer);
        eventReport = scu.sendCommand(0x0100, uid::Printer, uid::PrinterInstance, nullptr, 2);
        get = scu.nGet(uid::Printer, uid::PrinterInstance);
    });
    EXPECT_TRUE(eventReport.received);
    EXPECT_EQ(eventReport.status, 0x0211);
    EXPECT_TRUE(get.received);
    EXPECT_EQ(get.status, Ok);
}

TEST(LoadSettings, ATakenPortIsReportedOnceAndTheStoreStillHoldsThePrinter)
{
    ServiceFixture first;
    NullPreviewSurface preview;
    PrintService second(first.printer, preview);
    int failures = 0;
    QObject::connect(&second, &PrintService::listenFailed, [&](int port) {
        EXPECT_EQ(port, first.port());
        ++failures;
    });
    second.LoadSettings(); // same GlobalSettings.Port
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(second.isListening());
    EXPECT_EQ(second.datasets().count(), 1u);
    EXPECT_EQ(second.logLevelText(), "Current LogLevel: 63");
}

TEST(LoadSettings, ARestartMovesTheListenerDropsObjectsAndShowsTheNewTitle)
{
    ServiceFixture service;
    TestScu scu;
    FilmJob job;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu));
        job = createFilm(scu);
    });
    service.service.stopListening();
    GlobalSettings.Port = freePort();
    GlobalSettings.AETName = "WARD3";
    service.service.LoadSettings();
    EXPECT_FALSE(service.stored(job.session));
    EXPECT_EQ(service.storedCount(), 1u);

    TestScu after;
    Response printer;
    runPeer([&] {
        ASSERT_TRUE(service.connect(after));
        after.useContext(uid::Printer);
        printer = after.nGet(uid::Printer, uid::PrinterInstance);
    });
    ASSERT_TRUE(printer.dataSet);
    EXPECT_EQ(printer.dataSet->attribute(PrintTag::ManufacturerModelName).asText(), "WARD3");
}

TEST(Timer, PrunesTheImagesFolderOfTheProgram)
{
    ServiceFixture service;
    const auto images = service.folder / "images";
    std::filesystem::create_directory(images);
    writeFile(images / "old", "x");
    writeFile(images / "new", "x");
    std::filesystem::last_write_time(images / "old", std::filesystem::file_time_type::clock::now() - std::chrono::hours(25));
    service.service.Timer1_Timer();
    EXPECT_FALSE(std::filesystem::exists(images / "old"));
    EXPECT_TRUE(std::filesystem::exists(images / "new"));
}

TEST(BadInput, IsAnsweredAndLoggedAndTheNextJobStillPrints)
{
    ServiceFixture service;
    TestScu scu;
    std::vector<std::uint16_t> statuses;
    std::size_t largest = 0;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu));
        FilmJob job = createFilm(scu, "STANDARD\\2,1");
        // Pixel data shorter than its rows and columns promise.
        DataSetPtr shortImage = makeImageBoxModification({});
        auto item = shortImage->attribute(PrintTag::BasicGrayscaleImageSequence).asSequence()->item(1);
        item->add(ImageTag::Rows, Numbers{512});
        statuses.push_back(scu.nSet(uid::GrayscaleImageBox, job.imageBoxes[0], shortImage).status);
        // Rows and columns of 65535 with a few bytes of pixels.
        DataSetPtr hugeImage = makeImageBoxModification({});
        item = hugeImage->attribute(PrintTag::BasicGrayscaleImageSequence).asSequence()->item(1);
        item->add(ImageTag::Rows, Numbers{65535});
        item->add(ImageTag::Columns, Numbers{65535});
        statuses.push_back(scu.nSet(uid::GrayscaleImageBox, job.imageBoxes[1], hugeImage).status);
        statuses.push_back(scu.nAction(uid::FilmBox, job.filmBox).status);
        const FilmJob large = createFilm(scu, "STANDARD\\181,181");
        largest = large.imageBoxes.size();
    });
    EXPECT_EQ(statuses, (std::vector<std::uint16_t>{Ok, Ok, DimseStatus::ProcessingFailure}));
    EXPECT_NE(service.errorLog().find("DoPrint\r\n"), std::string::npos);
    EXPECT_EQ(largest, 32761u);

    // Random bytes on the port.
    QTcpSocket garbage;
    garbage.connectToHost("127.0.0.1", static_cast<quint16>(service.port()));
    ASSERT_TRUE(garbage.waitForConnected(5000));
    std::mt19937 random(7);
    QByteArray bytes(4096, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(random());
    garbage.write(bytes);
    garbage.waitForBytesWritten(5000);
    pumpUntil([&] { return garbage.state() == QAbstractSocket::UnconnectedState; }, std::chrono::seconds(5));
    garbage.abort();

    EXPECT_TRUE(nextJobPrints(service));
}

} // namespace
} // namespace kestrova
