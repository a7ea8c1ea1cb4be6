// What only a real peer over the network shows: associations that interleave and print at
// once. Whole jobs are the dcmprscu scripts', request statuses and object clean-up the request
// handler's tests, wire faults the fault tests'.
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

} // namespace
} // namespace kestrova
