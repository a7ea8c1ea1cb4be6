#include "print_service/presentation_luts.h"

#include "data/print_tags.h"
#include "print_service/dimse_status.h"
#include "print_service/request_failure.h"

#include <cmath>
#include <cstring>
#include <variant>

namespace kestrova {
namespace {

constexpr double WholeTable = 65536.0; // a LUT Descriptor's 0 entries
constexpr int MostBits = 16;

[[noreturn]] void refuse(std::uint16_t status, const std::string& why)
{
    throw RequestFailure(status, ErrorCode::InvalidArgument, why);
}

PresentationCurve::Shape shapeNamed(const std::string& shape)
{
    if (shape == "IDENTITY")
        return PresentationCurve::Shape::Identity;
    if (shape == "LIN OD")
        return PresentationCurve::Shape::LinearDensity;
    refuse(DimseStatus::InvalidAttributeValue, "Presentation LUT Shape \"" + shape + "\" is neither IDENTITY nor LIN OD");
}

// LUT Data as US values, or as OW words in the host's byte order.
std::vector<double> lutData(const Attribute& data)
{
    if (const auto* numbers = std::get_if<Numbers>(&data.value()))
        return *numbers;
    std::vector<double> values;
    if (const auto* bytes = std::get_if<Bytes>(&data.value()); bytes && *bytes) {
        for (std::size_t at = 0; at + 1 < (*bytes)->size(); at += 2) {
            std::uint16_t word = 0;
            std::memcpy(&word, (*bytes)->data() + at, sizeof word);
            values.push_back(word);
        }
    }
    return values;
}

std::vector<double> tableOf(const Attribute& sequence)
{
    const CollectionPtr items = sequence.sequenceOrNull();
    if (!items || items->count() != 1)
        refuse(DimseStatus::InvalidAttributeValue, "Presentation LUT Sequence holds other than one item");
    const DataSet& item = *items->item(1);
    const Attribute descriptorAttribute = item.attribute(PrintTag::LutDescriptor);
    const auto* descriptor = std::get_if<Numbers>(&descriptorAttribute.value());
    std::vector<double> data = lutData(item.attribute(PrintTag::LutData));
    if (!descriptor || descriptor->size() != 3)
        refuse(DimseStatus::InvalidAttributeValue, "LUT Descriptor holds other than three numbers");
    const double entries = (*descriptor)[0] == 0 ? WholeTable : (*descriptor)[0];
    const double bits = (*descriptor)[2];
    if (entries < 2 || double(data.size()) != entries || bits < 1 || bits > MostBits)
        refuse(DimseStatus::InvalidAttributeValue, "LUT Data does not have the 2 or more entries of 1 to 16 bits "
                                                   "its LUT Descriptor gives");
    const double highest = std::ldexp(1.0, int(bits)) - 1.0;
    for (double& value : data) {
        if (value < 0 || value > highest)
            refuse(DimseStatus::InvalidAttributeValue, "LUT Data value beyond the bits of its LUT Descriptor");
        value /= highest;
    }
    return data;
}

PresentationCurve curveIn(const DataSet& attributes)
{
    const Attribute shape = attributes.attribute(PrintTag::PresentationLutShape);
    const Attribute sequence = attributes.attribute(PrintTag::PresentationLutSequence);
    if (!shape.exists() && !sequence.exists())
        refuse(DimseStatus::MissingAttribute, "Presentation LUT without Presentation LUT Shape or Sequence");
    if (shape.exists() && sequence.exists())
        refuse(DimseStatus::InvalidAttributeValue, "Presentation LUT with both Presentation LUT Shape and Sequence");
    if (shape.exists())
        return PresentationCurve{shapeNamed(shape.textOrEmpty()), {}};
    return PresentationCurve{PresentationCurve::Shape::Table, tableOf(sequence)};
}

} // namespace

std::shared_ptr<PresentationLut> createPresentationLut(const std::string& uid, DataSet attributes)
{
    PresentationCurve curve = curveIn(attributes);
    return std::make_shared<PresentationLut>(PresentationLut{uid, std::move(attributes), std::move(curve)});
}

std::optional<std::shared_ptr<const PresentationLut>> referencedPresentationLut(const ObjectStore& store,
                                                                                const DataSet& sent)
{
    const Attribute reference = sent.attribute(PrintTag::ReferencedPresentationLutSequence);
    if (!reference.exists())
        return std::nullopt;
    const CollectionPtr items = reference.sequenceOrNull();
    if (!items || items->count() == 0)
        return std::shared_ptr<const PresentationLut>();
    const std::string uid = items->item(1)->attribute(ReferencedSopInstanceUidTag).textOrEmpty();
    auto lut = store.find<PresentationLut>(uid);
    if (!lut)
        refuse(DimseStatus::InvalidAttributeValue, "Referenced Presentation LUT " + uid + " is not stored");
    return std::shared_ptr<const PresentationLut>(std::move(lut));
}

std::optional<PresentationCurve> curveOf(const std::shared_ptr<const PresentationLut>& lut)
{
    return lut ? std::optional(lut->curve) : std::nullopt;
}

} // namespace kestrova
