// What only a real peer over the network shows: whole jobs, associations that interleave,
// and the listener following the settings. Request statuses and object clean-up are the
// request handler's tests; wire faults are the fault tests'.
#include "service_fixture.h"

#include "printing/pdf_tools.h"
#include "support/print_jobs.h"
#include "print_service/dimse_status.h"
#include "data/print_tags.h"

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

TEST_P(WholeJob, PrintsOnePageAndLeavesNothingBehind)
{
    const auto [meta, imageBoxClass] = GetParam();
    ServiceFixture service;
    TestScu scu;
    ScuResponse printer;
    FilmJob job;
    std::vector<std::uint16_t> setStatuses;
    ScuResponse action;
    ScuResponse deleted;
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
    EXPECT_EQ(service.storedCount(), 0u);

    // A job left behind by a released association goes with it.
    runPeer([&] {
        createFilm(scu);
        scu.release();
    });
    EXPECT_TRUE(pumpUntil([&] { return service.storedCount() == 0; }));
    EXPECT_EQ(service.errorLog(), "");
}

INSTANTIATE_TEST_SUITE_P(MetaSopClasses, WholeJob,
                         testing::Values(std::pair{SopClass::BasicGrayscalePrintManagementMeta,
                                                   SopClass::BasicGrayscaleImageBox},
                                         std::pair{SopClass::BasicColorPrintManagementMeta,
                                                   SopClass::BasicColorImageBox}),
                         [](const auto& info) { return info.index == 0 ? "Grayscale" : "Colour"; });

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
    EXPECT_EQ(service.storedCount(), 0u);

    TestScu after;
    ScuResponse printer;
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
