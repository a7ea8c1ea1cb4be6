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

// A fresh installation lets everyone print and has no TLS port; an administrator's sections are
// read whole, the TLS certificate checked unless turned off.
TEST(AccessAndTls, AreReadFromTheirSectionsAndDefaultToEveryoneAndNoTls)
{
    test::TempProgramFolder folder;
    test::writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nHosts=10.0.0.1\r\n");
    AccessSettings access{"X", "Y", 1};
    TlsSettings tls{104, "a", "b", "c", 0};
    ReadAccess(access);
    ReadTls(tls);
    EXPECT_EQ(access, AccessSettings{});
    EXPECT_EQ(tls, (TlsSettings{0, "", "", "", 1}));
    test::writeFile(folder / "Kestrova.ini", "[Access]\r\nCallingAETitles=CT1\\MR\r\nHosts=10.1.0.0/16\r\n"
                                             "CheckCalledAETitle=1\r\n[TLS]\r\nPort=2762\r\nCertificate=/etc/k.pem\r\n"
                                             "PrivateKey=/etc/k.key\r\nTrustedCertificates=/etc/ca\r\n");
    ReadAccess(access);
    ReadTls(tls);
    EXPECT_EQ(access, (AccessSettings{"CT1\\MR", "10.1.0.0/16", 1}));
    EXPECT_EQ(tls, (TlsSettings{2762, "/etc/k.pem", "/etc/k.key", "/etc/ca", 1}));
}

} // namespace
} // namespace kestrova
