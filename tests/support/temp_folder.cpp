#include "support/temp_folder.h"

#include "core/program_folder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kestrova::test {

std::filesystem::path makeTemporaryFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("no temporary folder could be created");
    return pattern;
}

TempProgramFolder::TempProgramFolder()
    : path_(makeTemporaryFolder("kestrova-test-")), previous_(ProgramFolder())
{
    SetProgramFolder(path_);
}

TempProgramFolder::~TempProgramFolder()
{
    SetProgramFolder(previous_);
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempProgramFolder::errorLog() const
{
    const auto file = path_ / "Logs" / "Error.log";
    return std::filesystem::exists(file) ? readFile(file) : std::string();
}

std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const std::filesystem::path& file, const std::string& content)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace kestrova::test
