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
inline constexpr const char* BasicAnnotationBox = "1.2.840.10008.5.1.1.15";
inline constexpr const char* PrinterConfigurationRetrieval = "1.2.840.10008.5.1.1.16.376";
inline constexpr const char* PrinterConfigurationInstance = "1.2.840.10008.5.1.1.17.376";
// Not supported: see docs/conformance.md.
inline constexpr const char* PrintJob = "1.2.840.10008.5.1.1.14";

} // namespace kestrova::SopClass
