#include "startup/startup_sequence.h"

#include "core/program_folder.h"
#include "core/settings_files.h"

namespace kestrova {

std::string UseProgramFolder(ProgramRole role, const CommandLine& commandLine)
{
    const std::filesystem::path folder = chooseProgramFolder(role, commandLine.folder, currentFolderPlaces());
    std::string problem = prepareFolder(folder);
    if (problem.empty())
        SetProgramFolder(folder);
    return problem;
}

void StartUp(Configuration& configuration, const std::function<void()>& startService)
{
    ReadSettings(configuration.settings);
    ReadHeader(configuration);
    startService();
}

} // namespace kestrova
