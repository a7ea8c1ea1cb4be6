#pragma once
// Attributes of the print objects that the service and the renderer read or write.

#include "data/data_set.h"

namespace kestrova::PrintTag {

inline constexpr Tag NumberOfCopies{0x2000, 0x0010};
inline constexpr Tag PrinterConfigurationSequence{0x2000, 0x001E};
inline constexpr Tag MediumType{0x2000, 0x0030};
inline constexpr Tag MemoryBitDepth{0x2000, 0x00A0};
inline constexpr Tag PrintingBitDepth{0x2000, 0x00A1};
inline constexpr Tag MediaInstalledSequence{0x2000, 0x00A2};
inline constexpr Tag SupportedImageDisplayFormatsSequence{0x2000, 0x00A8};
inline constexpr Tag SopClassesSupported{0x0008, 0x115A};
inline constexpr Tag ItemNumber{0x0020, 0x0019};
inline constexpr Tag ImageDisplayFormat{0x2010, 0x0010};
inline constexpr Tag AnnotationDisplayFormatId{0x2010, 0x0030};
inline constexpr Tag FilmOrientation{0x2010, 0x0040};
inline constexpr Tag FilmSizeId{0x2010, 0x0050};
inline constexpr Tag MagnificationType{0x2010, 0x0060};
inline constexpr Tag SmoothingType{0x2010, 0x0080};
inline constexpr Tag DefaultPrinterResolutionId{0x2010, 0x0054};
inline constexpr Tag OtherMagnificationTypesAvailable{0x2010, 0x00A7};
inline constexpr Tag BorderDensity{0x2010, 0x0100};
inline constexpr Tag EmptyImageDensity{0x2010, 0x0110};
inline constexpr Tag MinDensity{0x2010, 0x0120};
inline constexpr Tag MaxDensity{0x2010, 0x0130};
inline constexpr Tag Trim{0x2010, 0x0140};
inline constexpr Tag ConfigurationInformation{0x2010, 0x0150};
inline constexpr Tag Illumination{0x2010, 0x015E};
inline constexpr Tag ReflectedAmbientLight{0x2010, 0x0160};
inline constexpr Tag ReferencedFilmSessionSequence{0x2010, 0x0500};
inline constexpr Tag ReferencedImageBoxSequence{0x2010, 0x0510};
inline constexpr Tag ReferencedBasicAnnotationBoxSequence{0x2010, 0x0520};
inline constexpr Tag ImageBoxPosition{0x2020, 0x0010};
inline constexpr Tag Polarity{0x2020, 0x0020};
inline constexpr Tag RequestedImageSize{0x2020, 0x0030};
inline constexpr Tag RequestedDecimateCropBehavior{0x2020, 0x0040};
inline constexpr Tag RequestedResolutionId{0x2020, 0x0050};
inline constexpr Tag AnnotationPosition{0x2030, 0x0010};
inline constexpr Tag TextString{0x2030, 0x0020};
inline constexpr Tag BasicGrayscaleImageSequence{0x2020, 0x0110};
inline constexpr Tag BasicColorImageSequence{0x2020, 0x0111};
inline constexpr Tag PresentationLutSequence{0x2050, 0x0010};
inline constexpr Tag PresentationLutShape{0x2050, 0x0020};
inline constexpr Tag ReferencedPresentationLutSequence{0x2050, 0x0500};
inline constexpr Tag LutDescriptor{0x0028, 0x3002};
inline constexpr Tag LutData{0x0028, 0x3006};
inline constexpr Tag IccProfile{0x0028, 0x2000};
inline constexpr Tag Manufacturer{0x0008, 0x0070};
inline constexpr Tag ManufacturerModelName{0x0008, 0x1090};
inline constexpr Tag DeviceSerialNumber{0x0018, 0x1000};
inline constexpr Tag SoftwareVersions{0x0018, 0x1020};
inline constexpr Tag PrinterStatus{0x2110, 0x0010};
inline constexpr Tag PrinterStatusInfo{0x2110, 0x0020};
inline constexpr Tag PrinterName{0x2110, 0x0030};

} // namespace kestrova::PrintTag
