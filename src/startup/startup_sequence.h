#pragma once
// The start-up both programs run, the tray program and the headless service alike.

#include "core/configuration.h"
#include "startup/command_line.h"

#include <functional>
#include <string>

namespace kestrova {

// Chooses the program folder (command line, then the folder rules), makes sure it can be
// written and makes it the folder every file path is built from. Returns what is wrong, in
// words for the user, empty when the folder is in use.
std::string UseProgramFolder(ProgramRole role, const CommandLine& commandLine);

// Reads the settings and caption files from the program folder into the configuration,
// then starts the service through startService. Errors pass to the caller, whose start-up
// handler deals with them.
void StartUp(Configuration& configuration, const std::function<void()>& startService);

} // namespace kestrova
