#pragma once
// The SOP classes and well-known instances of the Print Management Service Class.

namespace kestrova::SopClass {

inline constexpr const char* Verification = "1.2.840.10008.1.1";
inline constexpr const char* BasicFilmSession = "1.2.840.10008.5.1.1.1";
inline constexpr const char* BasicFilmBox = "1.2.840.10008.5.1.1.2";
inline constexpr const char* BasicGrayscaleImageBox = "1.2.840.10008.5.1.1.4";
inline constexpr const char* BasicColorImageBox = "1.2.840.10008.5.1.1.4.1";
inline constexpr const char* BasicGrayscalePrintManagementMeta = "1.2.840.10008.5.1.1.9";
inline constexpr const char* BasicColorPrintManagementMeta = "1.2.840.10008.5.1.1.18";
inline constexpr const char* Printer = "1.2.840.10008.5.1.1.16";
inline constexpr const char* PrinterInstance = "1.2.840.10008.5.1.1.17";
inline constexpr const char* PresentationLut = "1.2.840.10008.5.1.1.23";

} // namespace kestrova::SopClass
