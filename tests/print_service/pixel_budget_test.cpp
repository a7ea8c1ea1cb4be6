// The pixel data associations hold, within the limits of [Limits] in Kestrova.ini, and a film
// printed under a limit on the process's address space, as a machine short of memory would.
#include "request_fixture.h"

#include "data/image_tags.h"
#include "images/image.h"
#include "print_service/dimse_status.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

namespace kestrova {
namespace {

using test::RequestFixture;

// An 8-bit image of noise: about as large kept compressed as received, 0.95 MB at 1000 x 1000.
DataSetPtr noise(int size)
{
    return makeImage(test::sizedImage(size, size, [](int row, int column, int) {
        std::uint32_t x = static_cast<std::uint32_t>(row) * 73856093U ^ static_cast<std::uint32_t>(column) * 19349663U;
        x ^= x >> 13;
        x *= 0x5bd1e995U;
        return static_cast<std::uint16_t>((x ^ (x >> 15)) & 0xFF);
    }));
}

// An 8-bit ramp, which keeps compressed to a few kilobytes.
DataSetPtr ramp(int size)
{
    return makeImage(test::sizedImage(size, size, [](int, int column, int) { return static_cast<std::uint16_t>(column & 0xFF); }));
}

// Refused before it is decoded, an image leaves its image box as it was: the image set before
// still prints. Pixel data shorter than its rows declare is invalid; 1 MB received and its 1 MB
// rendition are beyond a budget of 1 MB.
TEST(RefusedImage, IsAnsweredItsStatusAndLeavesTheImageBoxAsItWas)
{
    DataSetPtr shorterThanDeclared = ramp(64);
    shorterThanDeclared->add(ImageTag::Rows, Numbers{65});
    const std::pair<std::uint16_t, DataSetPtr> refusals[] = {{DimseStatus::InvalidAttributeValue, shorterThanDeclared},
                                                             {DimseStatus::InsufficientMemoryForImage, ramp(1024)}};
    for (const auto& [status, image] : refusals) {
        SCOPED_TRACE(status);
        RequestFixture fixture;
        fixture.setLimits(Limits{32, 1, 8});
        const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
        ASSERT_EQ(fixture.setImage(filmBox, ramp(64)), DimseStatus::Success);
        EXPECT_EQ(fixture.setImage(filmBox, image), status);
        EXPECT_NE(fixture.errorLog().find("NormalisedReceived\r\n"), std::string::npos) << fixture.errorLog();
        EXPECT_EQ(fixture.print(filmBox), DimseStatus::Success);
        const auto pages = fixture.printers.pages();
        ASSERT_EQ(pages.size(), 1u);
        ASSERT_EQ(pages[0].pictures.size(), 1u);
        EXPECT_EQ(pages[0].pictures[0].image, decodedPicture(*ramp(64), LargestFilmPicture).image);
    }
}

// What an association holds stays within its own limit: an image beyond it is refused with a
// line in the DICOM log, the association goes on and prints its other films, and what an image
// held goes with its film box.
TEST(PixelBudget, AnAssociationHoldsNoMoreThanItsOwnLimit)
{
    RequestFixture fixture;
    fixture.setLimits(Limits{32, 2, 8});
    const std::string session = fixture.createSession();
    const DataSetPtr first = fixture.createFilmBox(session, "STANDARD\\1,1");
    const DataSetPtr second = fixture.createFilmBox(session, "STANDARD\\1,1");
    EXPECT_EQ(fixture.setImage(first, noise(1000)), DimseStatus::Success);
    EXPECT_EQ(fixture.setImage(second, noise(1000)), DimseStatus::InsufficientMemoryForImage) << "0.95 MB held, 1.9 MB more";
    EXPECT_NE(fixture.dicomLog().find("refused: its image needs 1.9 MB and the association holds 1.0 MB of its 2.0 MB"),
              std::string::npos) << fixture.dicomLog();
    EXPECT_EQ(fixture.print(first), DimseStatus::Success);
    EXPECT_EQ(fixture.printers.pages().size(), 1u);
    EXPECT_EQ(fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmBox, first->sopInstanceUid()).status,
              DimseStatus::Success);
    EXPECT_EQ(fixture.setImage(second, noise(1000)), DimseStatus::Success);
}

// Associations share the program's limit: what one holds another cannot have until it goes,
// with its film box or with the association.
TEST(PixelBudget, AllAssociationsTogetherHoldNoMoreThanTheProgramsLimit)
{
    RequestFixture fixture;
    fixture.setLimits(Limits{32, 2, 3});
    auto second = fixture.openAssociation();
    auto third = fixture.openAssociation();
    const auto film = [&](AssociationHandler* on) { return fixture.createFilmBox(fixture.createSession(on), "STANDARD\\1,1", on); };
    const DataSetPtr first = film(nullptr);
    EXPECT_EQ(fixture.setImage(first, noise(1000)), DimseStatus::Success);
    EXPECT_EQ(fixture.setImage(film(second.get()), noise(1000), second.get()), DimseStatus::Success);
    const DataSetPtr thirds = film(third.get());
    EXPECT_EQ(fixture.setImage(thirds, noise(1000), third.get()), DimseStatus::InsufficientMemoryForImage)
        << "1.9 MB held, 1.9 MB more";
    fixture.send(CommandField::NDeleteRq, SopClass::BasicFilmBox, first->sopInstanceUid());
    EXPECT_EQ(fixture.setImage(thirds, noise(1000), third.get()), DimseStatus::Success);
    EXPECT_EQ(fixture.setImage(film(nullptr), noise(1000)), DimseStatus::InsufficientMemoryForImage);
    second.reset();
    EXPECT_EQ(fixture.setImage(film(nullptr), noise(1000)), DimseStatus::Success);
}

// A page is drawn whole before it prints, its pictures as pixels: a film whose page the budget
// cannot hold is answered 0x0213 and not printed, and a smaller one still prints.
TEST(PixelBudget, AFilmWhosePageCannotBeHeldIsRefusedAndNotPrinted)
{
    RequestFixture fixture;
    fixture.setLimits(Limits{32, 3, 8});
    const std::string session = fixture.createSession();
    const DataSetPtr large = fixture.createFilmBox(session, "STANDARD\\2,2");
    for (const std::string& imageBox : RequestFixture::imageBoxesOf(large))
        EXPECT_EQ(fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, imageBox,
                               imageBoxModification(ramp(1024))).status,
                  DimseStatus::Success);
    EXPECT_EQ(fixture.print(large), DimseStatus::ResourceLimitation) << "four pictures of 1 MB";
    EXPECT_TRUE(fixture.printers.pages().empty());
    EXPECT_NE(fixture.dicomLog().find("not printed: its page needs 4.0 MB"), std::string::npos) << fixture.dicomLog();
    EXPECT_NE(fixture.errorLog().find("DoPrint\r\n"), std::string::npos);
    const DataSetPtr small = fixture.createFilmBox(session, "STANDARD\\1,1");
    EXPECT_EQ(fixture.setImage(small, ramp(1024)), DimseStatus::Success);
    EXPECT_EQ(fixture.print(small), DimseStatus::Success);
}

// The process's address space now: the first field of /proc/self/statm, in pages.
std::uint64_t addressSpaceNow()
{
    std::uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// In a child process, so that the limit binds nothing else. The film asks for its 64 x 64 image
// replicated to a 1200 dpi printer's pixels: 127 MB, where the process may grow by 32 MB. Exits 0
// when the film failed as it must.
[[noreturn]] void printReplicatedWithLittleMemoryLeft()
{
    RequestFixture fixture;
    fixture.printers.setCapabilities(PrinterCapabilities{{}, {}, false, 1200});
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
    DataSetPtr modification = makeImageBoxModification(test::sizedImage(64, 64));
    modification->add(PrintTag::MagnificationType, std::string("REPLICATE"));
    fixture.send(CommandField::NSetRq, SopClass::BasicGrayscaleImageBox, RequestFixture::imageBoxesOf(filmBox)[0], modification);
    const rlimit limit{addressSpaceNow() + 32 * 1024 * 1024, RLIM_INFINITY};
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        std::_Exit(2);
    const bool failed = fixture.print(filmBox) == DimseStatus::ProcessingFailure;
    const bool logged = fixture.errorLog().find("no room for its pixelsDoPrint") != std::string::npos;
    std::_Exit(failed && logged && fixture.printers.pages().empty() ? 0 : 1);
}

// Qt answers an allocation it cannot make with a null image and goes on: the page printed with
// the picture left out, or as it was before the change that failed, and was answered success.
TEST(OutOfMemory, APictureThatCannotBeAllocatedFailsItsFilmInsteadOfPrintingWithoutIt)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's allocator ends the process on memory it cannot have";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(printReplicatedWithLittleMemoryLeft(), testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace kestrova
