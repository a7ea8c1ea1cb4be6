// Settings and caption files can hold anything a user or another program left there.
// Reading must never fail on content, and a key written into such a file must read back.

#include "fuzz_support.h"

#include "core/ini_file.h"

#include "support/temp_folder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kestrova;
    const auto file = fuzz::scratchFolder() / "Fuzz.ini";
    test::writeFile(file, fuzz::textOf(data, size));

    const std::string port = ReadIniString("Settings", "Port", "4006", file, 255);
    if (port.size() > 254)
        std::abort();
    if (!ReadIniString("settings", "port", "", file, 1).empty())
        std::abort();

    WriteIniString("Settings", "AETitle", "FUZZ AE", file);
    if (ReadIniString("SETTINGS", "aetitle", "", file, 255) != "FUZZ AE")
        std::abort();
    // Writing one key leaves the others as they were.
    if (ReadIniString("Settings", "Port", "4006", file, 255) != port)
        std::abort();
    return 0;
}
