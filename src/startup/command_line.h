#pragma once
// The programs' command line: --help, --version, --folder DIR, and for the service --port N.
// Nothing on it changes what the program does beyond where it keeps its files and which
// port the service listens on.

#include "startup/program_location.h"

#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>

namespace kestrova {

struct CommandLine {
    std::optional<std::filesystem::path> folder;
    std::optional<int> port;
    // What was wrong with the arguments, empty when they were fine.
    std::string error;
};

// Sets the application name "Kestrova" and the version that --version shows; every
// program calls it before it reads its command line or asks for standard paths.
void setApplicationIdentity();

// --help and --version print their text and end the process, as Qt's parser does.
CommandLine readCommandLine(ProgramRole role, const QStringList& arguments);

} // namespace kestrova
