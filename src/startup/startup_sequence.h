#pragma once
// The start-up both programs run, the tray program and the headless service alike.

#include "core/configuration.h"
#include "startup/command_line.h"

#include <functional>
#include <optional>
#include <string>

namespace kestrova {

// What a program's main() goes on from: its command line, or the exit status it must end
// with at once.
struct ProgramStart {
    CommandLine commandLine;
    std::optional<int> exitStatus;
};

// The first steps of every program that keeps a program folder: its identity, its command
// line (a wrong one: "NAME: what is wrong (see --help)" on standard error, exit status 2) and
// its program folder (an unusable one: "NAME: problem" on standard error, also shown through
// showFolderProblem when given, exit status 1).
ProgramStart startProgram(ProgramRole role, const std::string& programName,
                          const std::function<void(const std::string& problem)>& showFolderProblem = {});

// Chooses the program folder (command line, then the folder rules), makes sure it can be
// written and makes it the folder every file path is built from. Returns what is wrong, in
// words for the user, empty when the folder is in use.
std::string UseProgramFolder(ProgramRole role, const CommandLine& commandLine);

// Reads the settings and caption files from the program folder into the configuration,
// then starts the service through startService. Errors pass to the caller, whose start-up
// handler deals with them.
void StartUp(Configuration& configuration, const std::function<void()>& startService);

} // namespace kestrova
