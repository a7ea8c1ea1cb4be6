#include "fuzz_support.h"

#include "support/temp_folder.h"

namespace kestrova::fuzz {

const std::filesystem::path& scratchFolder()
{
    static const test::TempProgramFolder folder;
    return folder.path();
}

void forgetErrorLog()
{
    std::error_code ec;
    std::filesystem::remove(scratchFolder() / "Logs" / "Error.log", ec);
}

std::string textOf(const std::uint8_t* data, std::size_t size)
{
    return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace kestrova::fuzz
