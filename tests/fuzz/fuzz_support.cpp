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

} // namespace kestrova::fuzz
