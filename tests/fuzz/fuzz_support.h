#pragma once
// What every fuzz target shares: a program folder of its own, so that the failures the
// code under test logs land in a scratch Error.log that is emptied between inputs.

#include <filesystem>

namespace kestrova::fuzz {

// Made on first use and removed when the process ends.
const std::filesystem::path& scratchFolder();

// A long fuzzing run would otherwise grow the log by a line per failing input.
void forgetErrorLog();

} // namespace kestrova::fuzz
