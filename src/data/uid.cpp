#include "data/uid.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/ofstd/ofuuid.h>

#include <random>

namespace kestrova {

namespace {

// A version 4 UUID: every bit random but the version and the variant.
OFUUID randomUuid()
{
    static thread_local std::random_device device; // the system's entropy source
    OFUUID::BinaryRepresentation bytes{};
    for (auto& byte : bytes.value)
        byte = static_cast<Uint8>(device());
    bytes.value[6] = static_cast<Uint8>((bytes.value[6] & 0x0F) | 0x40);
    bytes.value[8] = static_cast<Uint8>((bytes.value[8] & 0x3F) | 0x80);
    return OFUUID(bytes);
}

} // namespace

std::string newUid()
{
    OFString uid;
    randomUuid().toString(uid, OFUUID::ER_RepresentationOID);
    return uid.c_str();
}

} // namespace kestrova
