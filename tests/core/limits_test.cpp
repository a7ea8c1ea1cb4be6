#include "core/settings_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

// The limits come from their own section; what is missing, not a number or below 1 keeps its
// default, so that no typing slip opens or closes the service for everyone.
TEST(Limits, AreReadFromTheirSectionWithDefaultsForWhatIsMissingOrUnusable)
{
    test::TempProgramFolder folder;
    test::writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nPendingConnections=5\r\n[Limits]\r\n"
                                             "PendingConnections=8\r\nAssociationMemoryMB=0\r\nTotalMemoryMB=lots\r\n");
    Limits limits{99, 99, 99};
    ReadLimits(limits);
    EXPECT_EQ(limits, (Limits{8, 512, 1536}));
}

} // namespace
} // namespace kestrova
