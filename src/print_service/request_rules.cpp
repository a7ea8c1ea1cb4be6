#include "print_service/request_rules.h"

#include "core/number_text.h"
#include "data/print_tags.h"
#include "data/sop_classes.h"
#include "print_service/dimse_status.h"
#include "print_service/request_failure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string_view>
#include <variant>

namespace kestrova {

namespace {

constexpr std::uint16_t PrintAction = 1;

// The SOP classes a meta SOP class stands for on its presentation context.
constexpr std::array<std::string_view, 4> GrayscaleMetaClasses = {
    SopClass::BasicFilmSession, SopClass::BasicFilmBox, SopClass::BasicGrayscaleImageBox, SopClass::Printer};
constexpr std::array<std::string_view, 4> ColorMetaClasses = {
    SopClass::BasicFilmSession, SopClass::BasicFilmBox, SopClass::BasicColorImageBox, SopClass::Printer};

constexpr std::array<std::string_view, 3> CreatableClasses = {SopClass::BasicFilmSession, SopClass::BasicFilmBox,
                                                              SopClass::PresentationLut};

constexpr std::array<Tag, 12> FilmBoxSettableTags = {
    PrintTag::MagnificationType, PrintTag::MaxDensity, PrintTag::ConfigurationInformation,
    PrintTag::ReferencedPresentationLutSequence, PrintTag::SmoothingType, PrintTag::BorderDensity,
    PrintTag::EmptyImageDensity, PrintTag::MinDensity, PrintTag::Trim, PrintTag::Illumination,
    PrintTag::ReflectedAmbientLight, PrintTag::IccProfile};

template <std::size_t N>
bool isOneOf(std::string_view uid, const std::array<std::string_view, N>& uids)
{
    return std::find(uids.begin(), uids.end(), uid) != uids.end();
}

bool carriedBy(const std::string& sopClass, const std::string& abstractSyntax)
{
    if (sopClass == abstractSyntax)
        return true;
    if (abstractSyntax == SopClass::BasicGrayscalePrintManagementMeta)
        return isOneOf(sopClass, GrayscaleMetaClasses);
    if (abstractSyntax == SopClass::BasicColorPrintManagementMeta)
        return isOneOf(sopClass, ColorMetaClasses);
    return false;
}

std::string tagText(Tag tag)
{
    char text[12];
    std::snprintf(text, sizeof text, "(%04X,%04X)", tag.group, tag.element);
    return text;
}

[[noreturn]] void refuse(std::uint16_t status, const std::string& why)
{
    throw RequestFailure(status, ErrorCode::InvalidArgument, why);
}

// A whole number of copies, or nothing when the value is not one.
std::optional<double> copiesIn(const Attribute& copies)
{
    if (const auto* text = std::get_if<std::string>(&copies.value())) {
        const auto number = parseDecimalInteger<std::int32_t>(*text);
        return number ? std::optional<double>(*number) : std::nullopt;
    }
    if (const auto* numbers = std::get_if<Numbers>(&copies.value()); numbers && numbers->size() == 1)
        return std::trunc(numbers->front()) == numbers->front() ? std::optional(numbers->front()) : std::nullopt;
    return std::nullopt;
}

bool isEmptyValue(const Attribute& attribute)
{
    const auto* text = std::get_if<std::string>(&attribute.value());
    return attribute.isNull() || (text && trimBlanks(*text, " ").empty());
}

} // namespace

void checkRequestAllowed(const Request& request)
{
    if (!carriedBy(request.sopClassUid, request.abstractSyntax))
        refuse(DimseStatus::SopClassNotSupported, "SOP class " + request.sopClassUid +
                                                      " is not supported on the presentation context of " +
                                                      request.abstractSyntax);
    if (request.commandField == CommandField::NCreateRq && !isOneOf(request.sopClassUid, CreatableClasses))
        refuse(DimseStatus::SopClassNotSupported, "N-CREATE of SOP class " + request.sopClassUid + " is not supported");
    if (request.commandField == CommandField::NActionRq && request.actionTypeId != PrintAction)
        refuse(DimseStatus::NoSuchActionType, "No action type " + std::to_string(request.actionTypeId));
}

void checkNumberOfCopies(const DataSet& attributes)
{
    const Attribute copies = attributes.attribute(PrintTag::NumberOfCopies);
    if (!copies.exists() || isEmptyValue(copies))
        return;
    const auto number = copiesIn(copies);
    if (!number || *number < 1 || *number > MaxNumberOfCopies)
        refuse(DimseStatus::InvalidAttributeValue, "Number of Copies \"" + copies.textOrEmpty() +
                                                       "\" is not a whole number from 1 to " +
                                                       std::to_string(MaxNumberOfCopies));
}

void checkFilmBoxModification(const DataSet& modification)
{
    for (const Attribute& attribute : modification.attributes())
        if (std::find(FilmBoxSettableTags.begin(), FilmBoxSettableTags.end(), attribute.tag()) == FilmBoxSettableTags.end())
            refuse(DimseStatus::InvalidAttributeValue,
                   "Film box attribute " + tagText(attribute.tag()) + " cannot be set after the film box is created");
}

void checkAnnotationPosition(const DataSet& modification, std::size_t positions)
{
    const Attribute position = modification.attribute(PrintTag::AnnotationPosition);
    if (!position.exists())
        return;
    const auto* numbers = std::get_if<Numbers>(&position.value());
    if (!numbers || numbers->size() != 1 || numbers->front() < 1 || numbers->front() > static_cast<double>(positions))
        refuse(DimseStatus::InvalidAttributeValue, "Annotation Position \"" + position.textOrEmpty() +
                                                       "\" is not one of the film box's " +
                                                       std::to_string(positions) + " annotation positions");
}

} // namespace kestrova
