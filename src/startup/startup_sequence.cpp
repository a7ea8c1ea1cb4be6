#include "startup/startup_sequence.h"

#include "core/program_folder.h"
#include "core/settings_files.h"
#include "printing/film_folder.h"

#include <QCoreApplication>

#include <cstdio>

#include <sys/stat.h>

namespace kestrova {

namespace {

// Films hold patient images and the logs what peers sent: whatever the program creates is for
// its own user, and for the service's group too (through which an administrator reads films and
// logs), whatever umask it was started with.
void keepNewFilesPrivate(ProgramRole role) { ::umask(role == ProgramRole::Service ? 027 : 077); }

} // namespace

std::string UseProgramFolder(ProgramRole role, const CommandLine& commandLine)
{
    const std::filesystem::path folder = chooseProgramFolder(role, commandLine.folder, currentFolderPlaces());
    std::string problem = prepareFolder(folder);
    if (problem.empty())
        SetProgramFolder(folder);
    return problem;
}

ProgramStart startProgram(ProgramRole role, const std::string& programName,
                          const std::function<void(const std::string& problem)>& showFolderProblem)
{
    keepNewFilesPrivate(role);
    setApplicationIdentity();
    ProgramStart start{readCommandLine(role, QCoreApplication::arguments()), std::nullopt};
    if (!start.commandLine.error.empty()) {
        std::fprintf(stderr, "%s: %s (see --help)\n", programName.c_str(), start.commandLine.error.c_str());
        start.exitStatus = 2;
        return start;
    }
    if (const std::string problem = UseProgramFolder(role, start.commandLine); !problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", programName.c_str(), problem.c_str());
        if (showFolderProblem)
            showFolderProblem(problem);
        start.exitStatus = 1;
    }
    return start;
}

void StartUp(Configuration& configuration, const std::function<void()>& startService)
{
    ReadSettings(configuration.settings);
    ReadLimits(configuration.limits);
    ReadAccess(configuration.access);
    ReadTls(configuration.tls);
    ReadFilmKeeping(configuration.films);
    ReadVirtualPrinters(configuration.virtualPrinters);
    ReadStatusPage(configuration.statusPage);
    ReadHeader(configuration);
    removeLeftoverWorkFiles();
    startService();
}

} // namespace kestrova
