// What only a real peer over the network shows: whole jobs, associations that interleave,
// and the listener following the settings. Request statuses and object clean-up are the
// request handler's tests; wire faults are the fault tests'.
#include "service_fixture.h"

#include "printing/pdf_tools.h"
#include "support/print_jobs.h"
#include "toolkit/dimse_status.h"
#include "toolkit/print_tags.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
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
    Response deleted;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu, meta));
        scu.useContext(SopClass::Printer);
        printer = scu.nGet(SopClass::Printer, SopClass::PrinterInstance);
        scu.useContext(meta);
        job = createFilm(scu, "STANDARD\\2,3");
        setStatuses = setImages(scu, job);
        action = scu.nAction(SopClass::BasicFilmBox, job.filmBox);
        deleted = scu.nDelete(SopClass::BasicFilmSession, job.session);
    });
    ASSERT_TRUE(printer.dataSet);
    EXPECT_EQ(printer.dataSet->attribute(PrintTag::PrinterName).asText(), "AGFA");
    EXPECT_EQ(job.imageBoxClasses, std::vector<std::string>(6, imageBoxClass));
    EXPECT_EQ(setStatuses, std::vector<std::uint16_t>(6, Ok));
    EXPECT_EQ(action.status, Ok) << service.errorLog();
    ASSERT_EQ(service.films().size(), 1u);
    EXPECT_EQ(pdfInfo(service.films()[0]).pages, 1);
    EXPECT_EQ(deleted.status, Ok);
    EXPECT_EQ(service.storedCount(), 1u);

    // A job left behind by a released association goes with it.
    runPeer([&] {
        createFilm(scu);
        scu.release();
    });
    EXPECT_TRUE(pumpUntil([&] { return service.storedCount() == 1; }));
    EXPECT_EQ(service.errorLog(), "");
}

INSTANTIATE_TEST_SUITE_P(MetaSopClasses, WholeJob,
                         testing::Values(std::pair{SopClass::BasicGrayscalePrintManagementMeta,
                                                   SopClass::BasicGrayscaleImageBox},
                                         std::pair{SopClass::BasicColorPrintManagementMeta,
                                                   SopClass::BasicColorImageBox}),
                         [](const auto& info) { return info.index == 0 ? "Grayscale" : "Colour"; });

// What an independent client meant by ROW\ and COL\ is what it gets: it refuses a film box
// whose image box count differs from its own.
TEST(Layouts, RowAndColumnFormatsMakeTheirImageBoxesAndPrintOnePage)
{
    const std::vector<std::pair<std::string, std::size_t>> formats = {
        {"ROW\\2,1", 3}, {"ROW\\1,2,3", 6}, {"COL\\3,2", 5}, {"CUSTOM\\1,2", 2}, {"2,3", 6}};
    ServiceFixture service;
    TestScu scu;
    const std::vector<std::string> refused = {"ROW\\2,0", "ROW\\2,", "COL\\"};
    std::vector<std::size_t> boxes;
    std::vector<std::uint16_t> actions;
    std::vector<std::uint16_t> refusals;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu, SopClass::BasicColorPrintManagementMeta));
        for (const auto& format : formats) {
            const FilmJob job = createFilm(scu, format.first);
            boxes.push_back(job.imageBoxes.size());
            setImages(scu, job);
            actions.push_back(scu.nAction(SopClass::BasicFilmBox, job.filmBox).status);
        }
        const std::string session =
            scu.nCreate(SopClass::BasicFilmSession, "", filmSessionAttributes()).affectedSopInstanceUid;
        for (const auto& format : refused)
            refusals.push_back(scu.nCreate(SopClass::BasicFilmBox, "", filmBoxAttributes(format, session)).status);
    });
    EXPECT_EQ(refusals, std::vector<std::uint16_t>(refused.size(), DimseStatus::InvalidAttributeValue));
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
        const std::string session =
            scu.nCreate(SopClass::BasicFilmSession, "", filmSessionAttributes(2)).affectedSopInstanceUid;
        DataSetPtr filmBox = filmBoxAttributes("ROW\\1,2", session);
        filmBox->add(Attribute(PrintTag::FilmSizeId, "CS", std::string("14INX17IN")));
        filmBox->add(Attribute(PrintTag::MagnificationType, "CS", std::string("REPLICATE")));
        filmBox->add(Attribute(PrintTag::BorderDensity, "CS", std::string("BLACK")));
        filmBox->add(Attribute(PrintTag::EmptyImageDensity, "CS", std::string("WHITE")));
        const Response created = scu.nCreate(SopClass::BasicFilmBox, "", filmBox);
        const ImageBoxRefs imageBoxes = imageBoxesOf(created);
        ASSERT_EQ(imageBoxes.instances.size(), 3u);
        ImageSpec imageSpec;
        imageSpec.rows = 16;
        imageSpec.columns = 16;
        imageSpec.pixel = [](int, int, int) { return std::uint16_t(200); };
        DataSetPtr first = makeImageBoxModification(imageSpec, 1);
        first->add(Attribute(PrintTag::Polarity, "CS", std::string("REVERSE")));
        first->add(Attribute(PrintTag::RequestedImageSize, "DS", std::string("50")));
        EXPECT_EQ(scu.nSet(SopClass::BasicGrayscaleImageBox, imageBoxes.instances[0], first).status, Ok);
        EXPECT_EQ(scu.nSet(SopClass::BasicGrayscaleImageBox, imageBoxes.instances[1],
                           makeImageBoxModification(imageSpec, 2))
                      .status,
                  Ok);
        action = scu.nAction(SopClass::BasicFilmBox, created.affectedSopInstanceUid);
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

// Two jobs built step by step in turn, a third association starting in the middle, and both
// N-ACTIONs arriving together: each film gets its own page with its own images, and the two
// prints run at once (each job, as it begins, waits for the other to begin too).
TEST(Associations, InterleavedJobsEachPrintTheirOwnPageAtTheSameTime)
{
    ServiceFixture service;
    std::atomic<int> jobsBegun{0};
    std::atomic<int> jobsThatMetTheOther{0};
    service.service.setJobStartObserver([&] {
        ++jobsBegun;
        for (int i = 0; i < 20000 && jobsBegun < 2; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (jobsBegun >= 2)
            ++jobsThatMetTheOther;
    });
    TestScu first;
    TestScu second;
    TestScu latecomer;
    FilmJob a;
    FilmJob b;
    runPeer([&] {
        ASSERT_TRUE(service.connect(first));
        ASSERT_TRUE(service.connect(second, SopClass::BasicColorPrintManagementMeta));
        a = createFilm(first);
        b = createFilm(second, "STANDARD\\1,2");
        setImages(first, a);
        ASSERT_TRUE(service.connect(latecomer));
        setImages(second, b);
    });
    std::uint16_t firstAction = 0xFFFF;
    std::uint16_t secondAction = 0xFFFF;
    runPeer([&] {
        std::thread other([&] { secondAction = second.nAction(SopClass::BasicFilmBox, b.filmBox).status; });
        firstAction = first.nAction(SopClass::BasicFilmBox, a.filmBox).status;
        other.join();
    });
    EXPECT_EQ(firstAction, Ok);
    EXPECT_EQ(secondAction, Ok);
    ASSERT_EQ(service.films().size(), 2u);
    std::multiset<std::size_t> imagesPerFilm;
    for (const auto& film : service.films()) {
        EXPECT_EQ(pdfInfo(film).pages, 1);
        imagesPerFilm.insert(pdfImages(film).size());
    }
    EXPECT_EQ(imagesPerFilm, (std::multiset<std::size_t>{2, 4}));
    EXPECT_EQ(jobsThatMetTheOther.load(), 2) << "one print waited for the other";
}

TEST(ServiceRestart, ARestartMovesTheListenerDropsObjectsAndShowsTheNewTitle)
{
    ServiceFixture service;
    TestScu scu;
    runPeer([&] {
        ASSERT_TRUE(service.connect(scu));
        createFilm(scu);
    });
    service.service.stopListening();
    service.configuration.settings.Port = freePort();
    service.configuration.settings.AETName = "WARD3";
    service.service.restart();
    EXPECT_EQ(service.storedCount(), 1u);

    TestScu after;
    Response printer;
    runPeer([&] {
        ASSERT_TRUE(service.connect(after));
        after.useContext(SopClass::Printer);
        printer = after.nGet(SopClass::Printer, SopClass::PrinterInstance);
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
    std::filesystem::last_write_time(images / "old", std::filesystem::file_time_type::clock::now() - std::chrono::hours(25));
    service.service.pruneImages();
    EXPECT_FALSE(std::filesystem::exists(images / "old"));
}

} // namespace
} // namespace kestrova
