#pragma once
// Data set bytes written header by header, as each accepted encoding codes them, for the tests
// of how deep a data set may nest: sequences and items as deep as asked, however DCMTK would
// read them.

#include "data/nesting_scanner.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrova::test {

using RawBytes = std::vector<std::uint8_t>;

inline constexpr std::uint32_t UndefinedLength = 0xFFFFFFFF;

// Writes element headers as the encoding codes them; item tags carry no VR.
struct Encoder {
    DataSetEncoding encoding;
    RawBytes out;

    void number(std::uint32_t value, int width)
    {
        const bool big = encoding == DataSetEncoding::ExplicitBigEndian;
        std::array<std::uint8_t, 4> bytes{};
        for (int i = 0; i < width; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * (big ? width - 1 - i : i)));
        out.insert(out.end(), bytes.begin(), bytes.begin() + width);
    }
    Encoder& header(std::uint16_t group, std::uint16_t element, std::string vr, std::uint32_t length)
    {
        number(group, 2);
        number(element, 2);
        if (encoding == DataSetEncoding::ImplicitLittleEndian || group == 0xFFFE) {
            number(length, 4);
            return *this;
        }
        out.insert(out.end(), vr.begin(), vr.end());
        const bool wide = vr == "SQ" || vr == "OB" || vr == "OW" || vr == "UN" || vr == "UT";
        if (wide)
            number(0, 2);
        number(length, wide ? 4 : 2);
        return *this;
    }
    Encoder& value(std::string text)
    {
        out.insert(out.end(), text.begin(), text.end());
        return *this;
    }
    Encoder& append(const RawBytes& more)
    {
        out.insert(out.end(), more.begin(), more.end());
        return *this;
    }
};

// Sequences of undefined length `depth` deep, each holding one item, closed again.
inline RawBytes nestedUndefined(DataSetEncoding encoding, std::size_t depth, std::uint16_t group = 0x0008,
                                std::uint16_t element = 0x1140, std::string vr = "SQ")
{
    Encoder e{encoding, {}};
    for (std::size_t i = 0; i < depth; ++i)
        e.header(group, element, vr, UndefinedLength).header(0xFFFE, 0xE000, "", UndefinedLength);
    e.header(0x0010, 0x0010, "PN", 2).value("A ");
    for (std::size_t i = 0; i < depth; ++i)
        e.header(0xFFFE, 0xE00D, "", 0).header(0xFFFE, 0xE0DD, "", 0);
    return e.out;
}

// The same with defined lengths throughout, sequence (0008,1140) inside sequence.
inline RawBytes nestedDefined(DataSetEncoding encoding, std::size_t depth)
{
    Encoder inner{encoding, {}};
    inner.header(0x0010, 0x0010, "PN", 2).value("A ");
    for (std::size_t i = 0; i < depth; ++i) {
        Encoder item{encoding, {}};
        item.header(0xFFFE, 0xE000, "", static_cast<std::uint32_t>(inner.out.size())).append(inner.out);
        Encoder sequence{encoding, {}};
        sequence.header(0x0008, 0x1140, "SQ", static_cast<std::uint32_t>(item.out.size())).append(item.out);
        inner = sequence;
    }
    return inner.out;
}

} // namespace kestrova::test
