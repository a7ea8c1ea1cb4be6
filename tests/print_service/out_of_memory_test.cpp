// A film printed under a limit on the process's address space, as a machine short of memory
// would: in a child process, so that the limit binds nothing else.
#include "request_fixture.h"

#include "print_service/dimse_status.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace kestrova {
namespace {

using test::RequestFixture;

// The process's address space now: the first field of /proc/self/statm, in pages.
std::uint64_t addressSpaceNow()
{
    std::uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// The film asks for its 64 x 64 image replicated to a 1200 dpi printer's pixels: 127 MB, where
// the process may grow by 32 MB. Exits 0 when the film failed as it must.
[[noreturn]] void printReplicatedWithLittleMemoryLeft()
{
    RequestFixture fixture;
    fixture.printers.setCapabilities(PrinterCapabilities{{}, {}, false, 1200});
    const DataSetPtr filmBox = fixture.createFilmBox(fixture.createSession(), "STANDARD\\1,1");
    DataSetPtr modification = makeImageBoxModification(test::imageSpecOf(64, 64));
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
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(printReplicatedWithLittleMemoryLeft(), testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace kestrova
