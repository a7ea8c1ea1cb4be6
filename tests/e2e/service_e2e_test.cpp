// What only real peers over the network show: associations that interleave and print at once,
// and that never reach each other's films. Whole jobs are the dcmprscu scripts', request
// statuses and object clean-up the request handler's tests, wire faults the fault tests'.
#include "service_fixture.h"

#include "print_service/dimse_status.h"
#include "printing/pdf_tools.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace kestrova {
namespace {

using namespace test;

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
    service.service.restart(); // the observer is set before the service listens
    TestScu first;
    TestScu second;
    TestScu latecomer;
    FilmJob a;
    FilmJob b;
    runPeer([&] {
        ASSERT_TRUE(service.connect(first));
        ASSERT_TRUE(service.connect(second, SopClass::BasicColorPrintManagementMeta));
        a = createFilm(first, "STANDARD\\2,2");
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
    EXPECT_EQ(firstAction, DimseStatus::Success) << service.errorLog();
    EXPECT_EQ(secondAction, DimseStatus::Success);
    std::multiset<std::size_t> imagesPerFilm;
    for (const auto& film : service.films()) {
        EXPECT_EQ(pdfInfo(film).pages, 1);
        imagesPerFilm.insert(pdfImages(film).size());
    }
    EXPECT_EQ(imagesPerFilm, (std::multiset<std::size_t>{2, 4})) << "a film each, with its own images";
    EXPECT_EQ(jobsThatMetTheOther.load(), 2) << "one print waited for the other";
}

// B knows every UID of A's film (as if guessed): to B they name nothing, and A's film is
// untouched by what B tried.
TEST(Associations, NeverReachEachOthersFilms)
{
    ServiceFixture service;
    TestScu a;
    TestScu b;
    FilmJob film;
    std::vector<std::uint16_t> fromB;
    runPeer([&] {
        ASSERT_TRUE(service.connect(a));
        ASSERT_TRUE(service.connect(b));
        film = createFilm(a, "STANDARD\\1,1");
        ASSERT_EQ(setImages(a, film), std::vector<std::uint16_t>{DimseStatus::Success});
        fromB = {b.nGet(SopClass::BasicFilmSession, film.session).status,
                 b.nSet(film.imageBoxes.classes[0], film.imageBoxes.instances[0], makeImageBoxModification(ImageSpec{}, 1)).status,
                 b.nAction(SopClass::BasicFilmBox, film.filmBox).status,
                 b.nDelete(SopClass::BasicFilmSession, film.session).status};
    });
    EXPECT_EQ(fromB, (std::vector<std::uint16_t>{DimseStatus::NoSuchObjectInstance, DimseStatus::NoSuchObjectInstance,
                                                 DimseStatus::NoSuchObjectInstance, DimseStatus::Success}));
    EXPECT_TRUE(service.films().empty()) << "B printed A's film";
    std::uint16_t printed = 0xFFFF;
    runPeer([&] {
        EXPECT_EQ(a.nGet(SopClass::BasicFilmSession, film.session).status, DimseStatus::Success);
        printed = a.nAction(SopClass::BasicFilmBox, film.filmBox).status;
    });
    EXPECT_EQ(printed, DimseStatus::Success) << service.errorLog();
    ASSERT_EQ(service.films().size(), 1u);
    EXPECT_EQ(pdfImages(service.films()[0]).size(), 1u);
}

} // namespace
} // namespace kestrova
