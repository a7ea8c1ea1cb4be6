#include "configuration.h"

#include "kestrova_version.h"

namespace kestrova {

const std::string& VersionText()
{
    static const std::string text = "v" + std::to_string(KESTROVA_VERSION_MAJOR) + "."
        + std::to_string(KESTROVA_VERSION_MINOR) + "." + std::to_string(KESTROVA_VERSION_PATCH);
    return text;
}

} // namespace kestrova
