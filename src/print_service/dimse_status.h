#pragma once
// The DIMSE status values the print service answers with.

#include <cstdint>

namespace kestrova::DimseStatus {

inline constexpr std::uint16_t Success = 0x0000;
inline constexpr std::uint16_t InvalidAttributeValue = 0x0106;
inline constexpr std::uint16_t ProcessingFailure = 0x0110;
inline constexpr std::uint16_t DuplicateSopInstance = 0x0111;
inline constexpr std::uint16_t NoSuchObjectInstance = 0x0112;
inline constexpr std::uint16_t MissingAttribute = 0x0120;
inline constexpr std::uint16_t MissingAttributeValue = 0x0121;
// Refused: SOP Class not supported.
inline constexpr std::uint16_t SopClassNotSupported = 0x0122;
inline constexpr std::uint16_t NoSuchActionType = 0x0123;
inline constexpr std::uint16_t UnrecognizedOperation = 0x0211;
inline constexpr std::uint16_t ResourceLimitation = 0x0213;
// Film session print: the session holds no film box.
inline constexpr std::uint16_t FilmSessionHasNoFilmBox = 0xC600;
// Film print: an image is larger than its image box and may be neither decimated nor cropped.
inline constexpr std::uint16_t ImageLargerThanImageBox = 0xC603;
// Image box N-SET: the image would take the memory budget beyond its limit.
inline constexpr std::uint16_t InsufficientMemoryForImage = 0xC605;

// Refusals for want of memory: the limits in Kestrova.ini decide them, not a fault of the
// requester, so an administrator is told of them in the DICOM log.
inline bool isMemoryRefusal(std::uint16_t status) { return status == ResourceLimitation || status == InsufficientMemoryForImage; }

} // namespace kestrova::DimseStatus
