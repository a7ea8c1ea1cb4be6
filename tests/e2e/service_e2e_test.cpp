// What only a real peer over the network shows: associations that interleave and print at
// once. Whole jobs are the dcmprscu scripts', request statuses and object clean-up the request
// handler's tests, wire faults the fault tests'.
#include "print_service/dimse_status.h"
#include "print_service/print_service.h"
#include "printing/pdf_tools.h"
#include "printing/printer_catalogue.h"
#include "support/event_loop.h"
#include "support/print_jobs.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace kestrova {
namespace {

using namespace test;

// What a requester made of one film: the film box and its image boxes.
struct FilmJob {
    std::string filmBox;
    ImageBoxRefs imageBoxes;
};

FilmJob createFilm(TestScu& scu, const std::string& format)
{
    const std::string session = scu.nCreate(SopClass::BasicFilmSession, "", filmSessionAttributes()).affectedSopInstanceUid;
    const test::Response filmBox = scu.nCreate(SopClass::BasicFilmBox, "", filmBoxAttributes(format, session));
    return {filmBox.affectedSopInstanceUid, imageBoxesOf(filmBox)};
}

// A small image in every image box, RGB in a colour one.
void setImages(TestScu& scu, const FilmJob& job)
{
    for (std::size_t i = 0; i < job.imageBoxes.instances.size(); ++i) {
        ImageSpec image;
        image.photometric = job.imageBoxes.classes[i] == SopClass::BasicColorImageBox ? Photometric::RgbInterleaved
                                                                                       : Photometric::Monochrome2;
        image.pixel = [i](int row, int column, int sample) { return std::uint16_t((row * 40 + column + sample * 60 + i * 20) % 256); };
        scu.nSet(job.imageBoxes.classes[i], job.imageBoxes.instances[i], makeImageBoxModification(image, int(i) + 1));
    }
}

// Two jobs built step by step in turn, a third association starting in the middle, and both
// N-ACTIONs arriving together: each film gets its own page with its own images, and the two
// prints run at once (each job, as it begins, waits for the other to begin too).
TEST(Associations, InterleavedJobsEachPrintTheirOwnPageAtTheSameTime)
{
    TempProgramFolder folder;
    const Configuration configuration{Settings{"KODAK", freePort(), "AGFA", "Kestrova PDF", "DejaVu Sans", 10, 0, ""},
                                      HeaderLines{}, HeaderLines{}, Limits{}, AccessSettings{}, TlsSettings{}};
    const InstalledPrinters printers;
    PrintService service(configuration, printers);
    std::atomic<int> jobsBegun{0};
    std::atomic<int> jobsThatMetTheOther{0};
    service.setJobStartObserver([&] {
        ++jobsBegun;
        for (int i = 0; i < 20000 && jobsBegun < 2; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (jobsBegun >= 2)
            ++jobsThatMetTheOther;
    });
    service.restart();
    const auto connect = [&](TestScu& scu, const char* meta) {
        ConnectOptions options;
        options.abstractSyntaxes = {meta};
        return scu.connect("127.0.0.1", configuration.settings.Port, options);
    };
    TestScu first;
    TestScu second;
    TestScu latecomer;
    FilmJob a;
    FilmJob b;
    runPeer([&] {
        ASSERT_TRUE(connect(first, SopClass::BasicGrayscalePrintManagementMeta));
        ASSERT_TRUE(connect(second, SopClass::BasicColorPrintManagementMeta));
        a = createFilm(first, "STANDARD\\2,2");
        b = createFilm(second, "STANDARD\\1,2");
        setImages(first, a);
        ASSERT_TRUE(connect(latecomer, SopClass::BasicGrayscalePrintManagementMeta));
        setImages(second, b);
    });
    std::uint16_t firstAction = 0xFFFF;
    std::uint16_t secondAction = 0xFFFF;
    runPeer([&] {
        std::thread other([&] { secondAction = second.nAction(SopClass::BasicFilmBox, b.filmBox).status; });
        firstAction = first.nAction(SopClass::BasicFilmBox, a.filmBox).status;
        other.join();
    });
    EXPECT_EQ(firstAction, DimseStatus::Success) << folder.errorLog();
    EXPECT_EQ(secondAction, DimseStatus::Success);
    std::multiset<std::size_t> imagesPerFilm;
    for (const auto& film : std::filesystem::directory_iterator(folder / "films")) {
        EXPECT_EQ(pdfInfo(film.path()).pages, 1);
        imagesPerFilm.insert(pdfImages(film.path()).size());
    }
    EXPECT_EQ(imagesPerFilm, (std::multiset<std::size_t>{2, 4})) << "a film each, with its own images";
    EXPECT_EQ(jobsThatMetTheOther.load(), 2) << "one print waited for the other";
}

} // namespace
} // namespace kestrova
