#include "data/dcm_convert.h"

#include "core/errors.h"
#include "core/rounding.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcdict.h>
#include <dcmtk/dcmdata/dcitem.h>
#include <dcmtk/dcmdata/dcsequen.h>
#include <dcmtk/dcmdata/dctag.h>
#include <dcmtk/dcmdata/dcvrat.h>

#include <concepts>
#include <utility>
#include <sstream>

namespace kestrova::dcm {

namespace {

enum class NumberKind { None, U16, S16, U32, S32, F32, F64, TagValue };

NumberKind numberKindOf(DcmEVR vr)
{
    switch (vr) {
    case EVR_US: return NumberKind::U16;
    case EVR_SS: return NumberKind::S16;
    case EVR_UL:
    case EVR_OL: return NumberKind::U32;
    case EVR_SL: return NumberKind::S32;
    case EVR_FL:
    case EVR_OF: return NumberKind::F32;
    case EVR_FD:
    case EVR_OD: return NumberKind::F64;
    case EVR_AT: return NumberKind::TagValue;
    default: return NumberKind::None;
    }
}

std::size_t numberSize(NumberKind kind)
{
    switch (kind) {
    case NumberKind::U16:
    case NumberKind::S16: return 2;
    case NumberKind::F64: return 8;
    case NumberKind::None: return 1;
    default: return 4;
    }
}

bool isByteVr(DcmEVR vr) { return vr == EVR_OB || vr == EVR_OW || vr == EVR_UN; }

bool isKnownVr(DcmEVR vr) { return vr != EVR_UNKNOWN && vr != EVR_UNKNOWN2B && vr != EVR_na && DcmVR(vr).isStandard(); }

// The concrete VR an element was read with; the dictionary's "OB or OW" style VRs of
// elements created locally resolve to their default.
DcmEVR concreteVr(const DcmElement& element)
{
    return DcmVR(element.getTag().getEVR()).getValidEVR();
}

double numberAt(DcmElement& element, NumberKind kind, unsigned long index)
{
    switch (kind) {
    case NumberKind::U16: { Uint16 v = 0; element.getUint16(v, index); return v; }
    case NumberKind::S16: { Sint16 v = 0; element.getSint16(v, index); return v; }
    case NumberKind::U32: { Uint32 v = 0; element.getUint32(v, index); return v; }
    case NumberKind::S32: { Sint32 v = 0; element.getSint32(v, index); return v; }
    case NumberKind::F32: { Float32 v = 0; element.getFloat32(v, index); return v; }
    case NumberKind::F64: { Float64 v = 0; element.getFloat64(v, index); return v; }
    case NumberKind::TagValue: {
        DcmTagKey key;
        element.getTagVal(key, index);
        return static_cast<double>((static_cast<Uint32>(key.getGroup()) << 16) | key.getElement());
    }
    case NumberKind::None: break;
    }
    return 0;
}

Value numbersOf(DcmElement& element, NumberKind kind)
{
    const unsigned long count = element.getLength() / numberSize(kind);
    Numbers numbers;
    numbers.reserve(count);
    for (unsigned long i = 0; i < count; ++i)
        numbers.push_back(numberAt(element, kind, i));
    return numbers;
}

Value bytesOf(DcmElement& element, DcmEVR vr)
{
    const Uint8* data = nullptr;
    if (vr == EVR_OW) {
        Uint16* words = nullptr;
        element.getUint16Array(words);
        data = reinterpret_cast<const Uint8*>(words);
    } else {
        Uint8* bytes = nullptr;
        element.getUint8Array(bytes);
        data = bytes;
    }
    if (data == nullptr) // encapsulated pixel data, which the accepted transfer syntaxes never carry
        return Null{};
    return std::make_shared<const std::vector<std::uint8_t>>(data, data + element.getLength());
}

Value sequenceOf(DcmSequenceOfItems& sequence)
{
    // Walked from one item to the next: getItem(i) seeks from the first item each time, and a
    // sequence of a few hundred thousand items would take minutes.
    auto collection = makeCollection();
    for (DcmObject* item = sequence.nextInContainer(nullptr); item; item = sequence.nextInContainer(item))
        collection->add(toDataSet(static_cast<DcmItem&>(*item)));
    return collection;
}

Value textOf(DcmElement& element)
{
    OFString text;
    element.getOFStringArray(text);
    return std::string(text.c_str(), text.length());
}

Value valueOf(DcmElement& element, DcmEVR vr)
{
    if (vr == EVR_SQ)
        return sequenceOf(static_cast<DcmSequenceOfItems&>(element));
    if (element.getLength() == 0)
        return Null{};
    if (isByteVr(vr))
        return bytesOf(element, vr);
    if (const NumberKind kind = numberKindOf(vr); kind != NumberKind::None)
        return numbersOf(element, kind);
    return textOf(element);
}

void check(const OFCondition& condition, const char* what)
{
    if (condition.bad())
        raise(ErrorCode::TypeMismatch, std::string(what) + ": " + condition.text());
}

// Integer VRs take the nearest integer; a value outside the VR's range is an overflow.
template <std::integral T>
T integralValue(double number)
{
    const auto rounded = roundHalfEven<std::int64_t>(number);
    if (!std::in_range<T>(rounded))
        raise(ErrorCode::Overflow);
    return static_cast<T>(rounded);
}

void putNumber(DcmElement& element, NumberKind kind, double number, unsigned long index)
{
    switch (kind) {
    case NumberKind::U16: check(element.putUint16(integralValue<Uint16>(number), index), "US value"); break;
    case NumberKind::S16: check(element.putSint16(integralValue<Sint16>(number), index), "SS value"); break;
    case NumberKind::U32: check(element.putUint32(integralValue<Uint32>(number), index), "UL value"); break;
    case NumberKind::S32: check(element.putSint32(integralValue<Sint32>(number), index), "SL value"); break;
    case NumberKind::F32: check(element.putFloat32(static_cast<Float32>(number), index), "FL value"); break;
    case NumberKind::F64: check(element.putFloat64(number, index), "FD value"); break;
    case NumberKind::TagValue: {
        const auto packed = integralValue<Uint32>(number);
        check(element.putTagVal(DcmTagKey(static_cast<Uint16>(packed >> 16), static_cast<Uint16>(packed & 0xFFFF)), index),
              "AT value");
        break;
    }
    case NumberKind::None: break;
    }
}

void putNumbers(DcmElement& element, DcmEVR vr, const Numbers& numbers, const Attribute& attribute)
{
    const NumberKind kind = numberKindOf(vr);
    if (kind == NumberKind::None) {
        // Numbers given for a text VR (IS, DS ...) are written in their string form.
        check(element.putOFStringArray(attribute.asText().c_str()), "numeric text");
        return;
    }
    for (std::size_t i = 0; i < numbers.size(); ++i)
        putNumber(element, kind, numbers[i], static_cast<unsigned long>(i));
}

void putBytes(DcmElement& element, DcmEVR vr, const Bytes& bytes)
{
    if (!bytes || bytes->empty())
        return;
    if (vr == EVR_OW) {
        if (bytes->size() % 2 != 0)
            raise(ErrorCode::TypeMismatch, "OW value of odd length");
        // The words are in host order already; DCMTK copies them.
        check(element.putUint16Array(reinterpret_cast<const Uint16*>(bytes->data()), bytes->size() / 2), "OW value");
    } else if (isByteVr(vr)) {
        check(element.putUint8Array(bytes->data(), bytes->size()), "OB value");
    } else {
        raise(ErrorCode::TypeMismatch, "bytes given for VR " + std::string(DcmVR(vr).getVRName()));
    }
}

void putSequence(DcmElement& element, const CollectionPtr& collection)
{
    auto& sequence = dynamic_cast<DcmSequenceOfItems&>(element);
    if (!collection)
        return;
    for (const DataSetPtr& dataSet : *collection) {
        auto item = std::make_unique<DcmItem>();
        if (dataSet)
            fillItem(*item, *dataSet);
        check(sequence.append(item.get()), "sequence item");
        item.release(); // owned by the sequence now
    }
}

void putValue(DcmElement& element, DcmEVR vr, const Attribute& attribute)
{
    std::visit(
        [&](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>)
                check(element.putOFStringArray(OFString(value.data(), value.size())), "text value");
            else if constexpr (std::is_same_v<T, Numbers>)
                putNumbers(element, vr, value, attribute);
            else if constexpr (std::is_same_v<T, Bytes>)
                putBytes(element, vr, value);
            else if constexpr (std::is_same_v<T, CollectionPtr>)
                putSequence(element, value);
        },
        attribute.value());
}

std::unique_ptr<DcmElement> toElement(const Attribute& attribute)
{
    const DcmVR vr(attribute.vr().c_str());
    const DcmEVR evr = vr.getEVR();
    if (!isKnownVr(evr))
        raise(ErrorCode::TypeMismatch, "unknown VR " + attribute.vr());
    const bool isSequence = std::holds_alternative<CollectionPtr>(attribute.value());
    if (isSequence != (evr == EVR_SQ))
        raise(ErrorCode::TypeMismatch, "sequence value and VR " + attribute.vr() + " disagree");

    DcmElement* created = nullptr;
    check(DcmItem::newDicomElementWithVR(created, DcmTag(DcmTagKey(attribute.group(), attribute.element()), vr)),
          "element");
    std::unique_ptr<DcmElement> element(created);
    putValue(*element, evr, attribute);
    return element;
}

} // namespace

std::string vrForValue(Tag tag, const Value& value)
{
    if (std::holds_alternative<CollectionPtr>(value))
        return "SQ";
    if (std::holds_alternative<Bytes>(value))
        return "OB";
    const DcmEVR dictionaryVr = DcmVR(DcmTag(tag.group, tag.element).getEVR()).getValidEVR();
    if (isKnownVr(dictionaryVr) && dictionaryVr != EVR_UN)
        return DcmVR(dictionaryVr).getVRName();
    // Unknown (private) tags: text stays text, numbers keep their decimal form.
    return std::holds_alternative<Numbers>(value) ? "DS" : "LO";
}

DataSetPtr toDataSet(DcmItem& item)
{
    // One element after the other, as for the items of a sequence.
    auto dataSet = std::make_shared<DataSet>();
    for (DcmObject* object = item.nextInContainer(nullptr); object; object = item.nextInContainer(object)) {
        auto* element = static_cast<DcmElement*>(object);
        const DcmEVR vr = concreteVr(*element);
        const DcmTagKey key = element->getTag().getXTag();
        dataSet->add(Attribute(Tag{key.getGroup(), key.getElement()}, DcmVR(vr).getVRName(), valueOf(*element, vr)));
    }
    return dataSet;
}

void fillItem(DcmItem& item, const DataSet& dataSet)
{
    for (const Attribute& attribute : dataSet.attributes()) {
        std::unique_ptr<DcmElement> element = toElement(attribute);
        check(item.insert(element.get(), true /* replace */), "insert");
        element.release(); // owned by the item now
    }
}

std::unique_ptr<DcmDataset> toDcmDataset(const DataSet& dataSet)
{
    auto dataset = std::make_unique<DcmDataset>();
    fillItem(*dataset, dataSet);
    return dataset;
}

std::string dump(DcmItem& item)
{
    std::ostringstream text;
    // Values are the peer's text: a CR or LF in one is printed as an octal escape (\015, \012),
    // so that it never starts a log line of its own.
    item.print(text, DCMTypes::PF_shortenLongTagValues | DCMTypes::PF_convertToOctalNumbers);
    return text.str();
}

} // namespace kestrova::dcm
