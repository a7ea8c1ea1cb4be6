#pragma once
// A fresh temporary folder that serves as the program folder for one test, removed afterwards.

#include <filesystem>
#include <string>

namespace kestrova::test {

class TempProgramFolder {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Logs/Error.log of this program folder, "" while nothing was logged.
    std::string errorLog() const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// A new empty folder under the system's temporary folder, its name beginning with prefix.
std::filesystem::path makeTemporaryFolder(const std::string& prefix);

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& content);

} // namespace kestrova::test
