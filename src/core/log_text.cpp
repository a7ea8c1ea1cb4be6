#include "core/log_text.h"

#include <cstdio>

namespace kestrova {

namespace {

void appendEscaped(std::string& out, unsigned char byte)
{
    switch (byte) {
    case '\r': out += "\\r"; return;
    case '\n': out += "\\n"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    if (byte >= 0x20 && byte < 0x7F) {
        out += static_cast<char>(byte);
        return;
    }
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
    out += escape;
}

} // namespace

std::string logText(std::string_view text, std::size_t limit)
{
    std::string out;
    out.reserve(std::min(text.size(), limit) + 3);
    for (std::size_t i = 0; i < text.size() && i < limit; ++i)
        appendEscaped(out, static_cast<unsigned char>(text[i]));
    if (text.size() > limit)
        out += "...";
    return out;
}

} // namespace kestrova
