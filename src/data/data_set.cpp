#include "data/data_set.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "data/dcm_convert.h"

#include <algorithm>
#include <charconv>

namespace kestrova {

namespace {

std::string numberText(double number)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

std::string joinedNumbers(const Numbers& numbers)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += '\\';
        text += numberText(numbers[i]);
    }
    return text;
}

// The first of several '\'-separated values, read as a decimal number (IS and DS values
// may carry leading and trailing spaces).
double firstNumberOfText(const std::string& text)
{
    const auto number = parseDecimalNumber(std::string_view(text).substr(0, text.find('\\')));
    if (!number)
        raise(ErrorCode::TypeMismatch);
    return *number;
}

// The checks shared by the typed accessors: Null is its own error, any other kind a mismatch.
template <typename T>
const T& valueAs(const Value& value)
{
    if (std::holds_alternative<Null>(value))
        raise(ErrorCode::InvalidUseOfNull);
    if (const T* typed = std::get_if<T>(&value))
        return *typed;
    raise(ErrorCode::TypeMismatch);
}

auto withTag(Tag tag)
{
    return [tag](const Attribute& a) { return a.tag() == tag; };
}

} // namespace

Attribute::Attribute(Tag tag, std::string vr, Value value)
    : tag_(tag), vr_(std::move(vr)), value_(std::move(value)), exists_(true)
{
}

std::string Attribute::asText() const
{
    if (const auto* numbers = std::get_if<Numbers>(&value_))
        return joinedNumbers(*numbers);
    return valueAs<std::string>(value_);
}

std::string Attribute::textOrEmpty() const
{
    if (!exists_ || isNull())
        return {};
    return asText();
}

const CollectionPtr& Attribute::asSequence() const& { return valueAs<CollectionPtr>(value_); }

CollectionPtr Attribute::asSequence() && { return valueAs<CollectionPtr>(value_); }

CollectionPtr Attribute::sequenceOrNull() const
{
    const auto* sequence = std::get_if<CollectionPtr>(&value_);
    return exists_ && sequence ? *sequence : nullptr;
}

const Bytes& Attribute::asBytes() const& { return valueAs<Bytes>(value_); }

Bytes Attribute::asBytes() && { return valueAs<Bytes>(value_); }

double Attribute::asNumber() const
{
    if (const auto* numbers = std::get_if<Numbers>(&value_)) {
        if (numbers->empty())
            raise(ErrorCode::InvalidUseOfNull);
        return numbers->front();
    }
    return firstNumberOfText(valueAs<std::string>(value_));
}

Attribute DataSet::attribute(Tag tag) const
{
    const auto found = std::find_if(attributes_.begin(), attributes_.end(), withTag(tag));
    return found == attributes_.end() ? Attribute() : *found;
}

bool DataSet::has(Tag tag) const
{
    return std::any_of(attributes_.begin(), attributes_.end(), withTag(tag));
}

void DataSet::add(const Attribute& attribute)
{
    const auto found = std::find_if(attributes_.begin(), attributes_.end(), withTag(attribute.tag()));
    if (found == attributes_.end())
        attributes_.push_back(attribute);
    else
        *found = attribute;
}

void DataSet::add(Tag tag, Value value)
{
    std::string vr = dcm::vrForValue(tag, value);
    add(Attribute(tag, std::move(vr), std::move(value)));
}

void DataSet::remove(Tag tag)
{
    std::erase_if(attributes_, withTag(tag));
}

std::string DataSet::sopInstanceUid() const { return attribute(SopInstanceUidTag).textOrEmpty(); }

void DataSet::setSopInstanceUid(const std::string& uid) { add(SopInstanceUidTag, uid); }

std::string DataSet::sopClassUid() const { return attribute(SopClassUidTag).textOrEmpty(); }

const DataSetPtr& DataSetCollection::item(std::size_t index) const
{
    if (index < 1 || index > items_.size())
        raise(ErrorCode::SubscriptOutOfRange);
    return items_[index - 1];
}

void DataSetCollection::add(DataSetPtr dataSet) { items_.push_back(std::move(dataSet)); }

std::shared_ptr<DataSetCollection> makeCollection() { return std::make_shared<DataSetCollection>(); }

} // namespace kestrova
