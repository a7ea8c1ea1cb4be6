#include "core/configuration.h"
#include "core/program_folder.h"
#include "startup/command_line.h"
#include "startup/program_location.h"
#include "startup/startup_sequence.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

namespace fs = std::filesystem;
using test::writeFile;

const FolderPlaces Places{"/unused", "/usr", "/home/ann/.local/share/Kestrova", "/var/lib/kestrova"};

struct FolderCase {
    const char* name;
    ProgramRole role;
    const char* executableFolder;
    const char* expected;
};

class FolderRule : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderRule, PicksTheFolderOfTheRole)
{
    FolderPlaces places = Places;
    places.executableFolder = GetParam().executableFolder;
    EXPECT_EQ(chooseProgramFolder(GetParam().role, std::nullopt, places), fs::path(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Programs, FolderRule,
    testing::Values(FolderCase{"BuildFolderTray", ProgramRole::Tray, "/work/kestrova/build", "/work/kestrova/build"},
                    FolderCase{"PortableCopyService", ProgramRole::Service, "/opt/kestrova", "/opt/kestrova"},
                    FolderCase{"InstalledTray", ProgramRole::Tray, "/usr/bin", "/home/ann/.local/share/Kestrova"},
                    FolderCase{"InstalledService", ProgramRole::Service, "/usr/bin", "/var/lib/kestrova"},
                    FolderCase{"DeeperBelowThePrefix", ProgramRole::Service, "/usr/lib/kestrova/bin", "/var/lib/kestrova"},
                    FolderCase{"ThePrefixItself", ProgramRole::Tray, "/usr", "/home/ann/.local/share/Kestrova"},
                    FolderCase{"NameThatOnlyStartsLikeThePrefix", ProgramRole::Tray, "/usrlocal/bin", "/usrlocal/bin"},
                    FolderCase{"StepsOutOfThePrefix", ProgramRole::Service, "/usr/../opt/k", "/usr/../opt/k"}),
    [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(FolderRule, TheCommandLineFolderWinsEvenWhenInstalled)
{
    FolderPlaces places = Places;
    places.executableFolder = "/usr/bin";
    EXPECT_EQ(chooseProgramFolder(ProgramRole::Service, fs::path("/srv/films"), places), fs::path("/srv/films"));
    EXPECT_EQ(chooseProgramFolder(ProgramRole::Tray, fs::path("films"), places), fs::current_path() / "films");
}

struct StateCase {
    const char* variable;
    const char* expected;
};

class StateFolder : public testing::TestWithParam<StateCase> {};

TEST_P(StateFolder, TakesTheFirstOfSystemdsFolders)
{
    EXPECT_EQ(stateFolderFrom(GetParam().variable), fs::path(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Variable, StateFolder,
                         testing::Values(StateCase{nullptr, "/var/lib/kestrova"}, StateCase{"", "/var/lib/kestrova"},
                                         StateCase{"/var/lib/private/kestrova", "/var/lib/private/kestrova"},
                                         StateCase{"/var/lib/kestrova:/var/lib/other", "/var/lib/kestrova"}));

TEST(PrepareFolder, CreatesAMissingFolderEmptyOrSaysWhyItCannot)
{
    const test::TempProgramFolder scratch;
    const fs::path folder = scratch / "a/b/Kestrova";
    EXPECT_EQ(prepareFolder(folder), "");
    ASSERT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::is_empty(folder));
    writeFile(scratch / "taken", "not a folder");
    EXPECT_EQ(prepareFolder(scratch / "taken"), "cannot create the program folder " + (scratch / "taken").string());
    EXPECT_NE(prepareFolder(scratch / "taken/below"), "");
}

TEST(PrepareFolder, UseProgramFolderSwitchesOnlyToAUsableFolder)
{
    const test::TempProgramFolder scratch;
    CommandLine line;
    line.folder = scratch / "films here";
    ASSERT_EQ(UseProgramFolder(ProgramRole::Service, line), "");
    EXPECT_EQ(ProgramFolder(), scratch / "films here");

    writeFile(scratch / "file", "x");
    line.folder = scratch / "file";
    EXPECT_NE(UseProgramFolder(ProgramRole::Service, line), "");
    EXPECT_EQ(ProgramFolder(), scratch / "films here");
}

CommandLine parse(ProgramRole role, const QStringList& arguments)
{
    return readCommandLine(role, QStringList{QStringLiteral("program")} + arguments);
}

TEST(CommandLineTest, ReadsFolderAndPort)
{
    const CommandLine line = parse(ProgramRole::Service, {"--folder", "/srv/k", "--port", "104"});
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.folder, fs::path("/srv/k"));
    EXPECT_EQ(line.port, 104);

    const CommandLine none = parse(ProgramRole::Tray, {});
    EXPECT_EQ(none.error, "");
    EXPECT_FALSE(none.folder);
    EXPECT_FALSE(none.port);
}

class BadCommandLine : public testing::TestWithParam<QStringList> {};

TEST_P(BadCommandLine, IsAnErrorNotAGuess)
{
    EXPECT_NE(parse(ProgramRole::Service, GetParam()).error, "");
}

INSTANTIATE_TEST_SUITE_P(Arguments, BadCommandLine,
                         testing::Values(QStringList{"--port", "0"}, QStringList{"--port", "65536"},
                                         QStringList{"--port", "4006x"}, QStringList{"--folder", ""},
                                         QStringList{"stray"}));

// A crash's work file is gone before the service starts.
TEST(StartUp, TheServiceStartsWithTheSettingsAndCaptionsReadAndNoWorkFileLeft)
{
    const test::TempProgramFolder folder;
    writeFile(folder / "Kestrova.ini", "[Kestrova]\r\nPort=11112\r\n");
    writeFile(folder / "Left.ini", "Ward 3\r\n");
    fs::create_directory(folder / "films");
    writeFile(folder / "films" / ".kestrova-work-left.tmp", "a crash's leftover");
    Configuration configuration;
    int portSeen = 0;
    std::optional<HeaderLines> captionsSeen;
    bool workFileSeen = true;
    StartUp(configuration, [&] {
        portSeen = configuration.settings.Port;
        captionsSeen = configuration.headerLeft;
        workFileSeen = fs::exists(folder / "films" / ".kestrova-work-left.tmp");
    });
    EXPECT_EQ(portSeen, 11112);
    EXPECT_EQ(captionsSeen, HeaderLines{"Ward 3"});
    EXPECT_FALSE(workFileSeen);
}

} // namespace
} // namespace kestrova
