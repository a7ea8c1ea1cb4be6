#include "core/configuration.h"
#include "core/number_text.h"
#include "core/settings_files.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <optional>

namespace kestrova {
namespace {

using test::readFile;
using test::writeFile;

class SettingsFilesTest : public testing::Test {
protected:
    test::TempProgramFolder folder;
    Configuration configuration;
};

struct ReadCase {
    const char* name;
    std::optional<std::string> file;
    Settings before;
    Settings expected;
};

class SettingsRead : public SettingsFilesTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(SettingsRead, TakesEachKeyOrItsDefault)
{
    Settings settings = GetParam().before;
    if (GetParam().file)
        writeFile(folder / "Kestrova.ini", *GetParam().file);
    ReadSettings(settings);
    EXPECT_EQ(settings, GetParam().expected);
}

const Settings Defaults{"KODAK", 4006, "KODAK", "", "Tahoma", 10, 0, ""};
const Settings Earlier{"OLD", 104, "AGFA", "P", "F", 9, 1, "I"};

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsRead,
    testing::Values(ReadCase{"NoFile", std::nullopt, Earlier, Defaults},
                    ReadCase{"SomeKeys", "[Kestrova]\nAETName=WARD3\nFontsize=12\nLUT=1\n", Earlier,
                             {"WARD3", 4006, "KODAK", "", "Tahoma", 12, 1, ""}},
                    ReadCase{"EmptyPortIsZeroAtFirstStart", "[Kestrova]\r\nPort=\r\n", Settings{}, {"KODAK", 0, "KODAK", "", "Tahoma", 10, 0, ""}},
                    ReadCase{"BadNumbersKeepTheField", "[Kestrova]\nPort=12.5\nFontsize=ten\nLUT=40000\n", Earlier,
                             {"KODAK", 104, "KODAK", "", "Tahoma", 9, 1, ""}},
                    ReadCase{"SignsAndBlanks", "[Kestrova]\nPort=  \t 4007\t \nFontsize=+11\nLUT=-1\n", Earlier,
                             {"KODAK", 4007, "KODAK", "", "Tahoma", 11, -1, ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecimalInteger, IsOneSignAndDigitsInRange)
{
    EXPECT_FALSE(parseDecimalInteger<std::int32_t>("+-5"));
    EXPECT_FALSE(parseDecimalInteger<std::int32_t>("- 5"));
    EXPECT_FALSE(parseDecimalInteger<std::int32_t>("2147483648"));
    EXPECT_EQ(parseDecimalInteger<std::int32_t>("-2147483648"), -2147483648LL);
}

TEST_F(SettingsFilesTest, AFreshFileListsTheEightKeysInTableOrderAndReadsBack)
{
    const Settings written{"AE", -5, "AGFA", "Ward 3", "DejaVu Sans", 12, 1, "/srv/logo.png"};
    WriteSettings(written);
    EXPECT_EQ(readFile(folder / "Kestrova.ini"),
              "[Kestrova]\r\nAETName=AE\r\nPort=-5\r\nEmulation=AGFA\r\nPrinter=Ward 3\r\n"
              "Fontname=DejaVu Sans\r\nFontsize=12\r\nLUT=1\r\nImagePath=/srv/logo.png\r\n");
    Settings read;
    ReadSettings(read);
    EXPECT_EQ(read, written);
}

TEST_F(SettingsFilesTest, CaptionLinesKeepEmptyLinesIgnoreTheFinalLineEndAndAnUnreadableFileIsLogged)
{
    WriteHeaderFile(folder / "Left.ini", "Radiology\r\n\r\nWard 3");
    EXPECT_EQ(readFile(folder / "Left.ini"), "Radiology\r\n\r\nWard 3\r\n");
    writeFile(folder / "Right.ini", "first\nsecond");
    ReadHeader(configuration);
    EXPECT_EQ(configuration.headerLeft, (HeaderLines{"Radiology", "", "Ward 3"}));
    EXPECT_EQ(configuration.headerRight, (HeaderLines{"first", "second"}));

    WriteHeaderFile(folder / "Left.ini", "");
    EXPECT_FALSE(std::filesystem::exists(folder / "Left.ini"));
    std::filesystem::remove(folder / "Right.ini");
    ReadHeader(configuration);
    EXPECT_EQ(configuration.headerLeft, HeaderLines{});
    EXPECT_EQ(configuration.headerRight, HeaderLines{});

    // A Left.ini that cannot be read is logged and leaves the right list as it was.
    std::filesystem::create_directory(folder / "Left.ini");
    configuration.headerRight = HeaderLines{"kept"};
    ReadHeader(configuration);
    EXPECT_EQ(configuration.headerRight, HeaderLines{"kept"});
    EXPECT_NE(folder.errorLog().find("mMain ReadHeader\r\n"), std::string::npos);
}

// The limits come from their own section; what is missing, not a number or below 1 keeps its
// default, so that no typing slip opens or closes the service for everyone.
TEST_F(SettingsFilesTest, LimitsAreReadFromTheirSectionWithDefaultsForWhatIsMissingOrUnusable)
{
    writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nPendingConnections=5\r\n[Limits]\r\n"
                                       "PendingConnections=8\r\nAssociationMemoryMB=0\r\nTotalMemoryMB=lots\r\n");
    Limits limits{99, 99, 99};
    ReadLimits(limits);
    EXPECT_EQ(limits, (Limits{8, 512, 1536}));
}

// A fresh installation lets everyone print and has no TLS port; an administrator's sections are
// read whole, the TLS certificate checked unless turned off.
TEST_F(SettingsFilesTest, AccessAndTlsAreReadFromTheirSectionsAndDefaultToEveryoneAndNoTls)
{
    writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nHosts=10.0.0.1\r\n");
    AccessSettings access{"X", "Y", 1};
    TlsSettings tls{104, "a", "b", "c", 0};
    ReadAccess(access);
    ReadTls(tls);
    EXPECT_EQ(access, AccessSettings{});
    EXPECT_EQ(tls, (TlsSettings{0, "", "", "", 1}));
    writeFile(folder / "Kestrova.ini", "[Access]\r\nCallingAETitles=CT1\\MR\r\nHosts=10.1.0.0/16\r\n"
                                             "CheckCalledAETitle=1\r\n[TLS]\r\nPort=2762\r\nCertificate=/etc/k.pem\r\n"
                                             "PrivateKey=/etc/k.key\r\nTrustedCertificates=/etc/ca\r\n");
    ReadAccess(access);
    ReadTls(tls);
    EXPECT_EQ(access, (AccessSettings{"CT1\\MR", "10.1.0.0/16", 1}));
    EXPECT_EQ(tls, (TlsSettings{2762, "/etc/k.pem", "/etc/k.key", "/etc/ca", 1}));
}

} // namespace
} // namespace kestrova
