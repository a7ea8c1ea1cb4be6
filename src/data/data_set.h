#pragma once
// The program's own view of DICOM data: data sets, attributes and the collections that are
// the items of a sequence. Large values (pixel data, sequences) are shared between copies.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace kestrova {

class DataSet;
class DataSetCollection;

using DataSetPtr = std::shared_ptr<DataSet>;
using CollectionPtr = std::shared_ptr<DataSetCollection>;

struct Tag {
    std::uint16_t group = 0;
    std::uint16_t element = 0;
    bool operator==(const Tag&) const = default;
    auto operator<=>(const Tag&) const = default;
};

inline constexpr Tag SopClassUidTag{0x0008, 0x0016};
inline constexpr Tag SopInstanceUidTag{0x0008, 0x0018};
inline constexpr Tag ReferencedSopClassUidTag{0x0008, 0x1150};
inline constexpr Tag ReferencedSopInstanceUidTag{0x0008, 0x1155};

// The value of an attribute.
struct Null {
    bool operator==(const Null&) const = default;
};
// Raw bytes (OB, OW, UN, pixel data) in the host's byte order, shared because pixel data is large.
using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;
// Binary numbers (US, SS, UL, SL, FL, FD, AT); each fits a double exactly.
using Numbers = std::vector<double>;
// Text values keep their DICOM string form: multiple values separated by '\'.
using Value = std::variant<Null, std::string, Numbers, Bytes, CollectionPtr>;

class Attribute {
public:
    Attribute() = default; // absent
    Attribute(Tag tag, std::string vr, Value value);

    Tag tag() const { return tag_; }
    std::uint16_t group() const { return tag_.group; }
    std::uint16_t element() const { return tag_.element; }
    const std::string& vr() const { return vr_; }
    const Value& value() const { return value_; }
    bool exists() const { return exists_; }
    bool isNull() const { return std::holds_alternative<Null>(value_); }

    // The value in its DICOM string form; numbers joined by '\'. A Null value raises
    // "Invalid use of Null" (94); bytes and sequences raise "Type mismatch" (13).
    std::string asText() const;
    // The value as text, or "" when it is absent or Null.
    std::string textOrEmpty() const;
    // The sequence; raises 94 when Null, 13 when the value is no sequence. On a temporary
    // attribute, as DataSet::attribute gives one, the result is a copy: a reference bound
    // to it would otherwise outlive the attribute it points into.
    const CollectionPtr& asSequence() const&;
    CollectionPtr asSequence() &&;
    // The sequence, or null when the attribute is absent or holds no sequence.
    CollectionPtr sequenceOrNull() const;
    // The pixel or byte data; raises like asSequence.
    const Bytes& asBytes() const&;
    Bytes asBytes() &&;
    // The first number of a text or binary value, as a double; raises 94/13.
    double asNumber() const;

private:
    Tag tag_{};
    std::string vr_;
    Value value_;
    bool exists_ = false;
};

class DataSet {
public:
    DataSet() = default;

    // The attribute with that tag; an absent tag gives an Attribute whose exists() is false.
    Attribute attribute(Tag tag) const;
    Attribute attribute(std::uint16_t group, std::uint16_t element) const { return attribute(Tag{group, element}); }
    bool has(Tag tag) const;

    // Adds the attribute, or replaces the value of a present tag in place.
    void add(const Attribute& attribute);
    // The same with a VR chosen from the tag: text values get the dictionary VR (UI, CS, LO ...),
    // a sequence SQ, bytes OB.
    void add(Tag tag, Value value);
    void remove(Tag tag);

    // Attributes in stored order (the order they were first added).
    const std::vector<Attribute>& attributes() const { return attributes_; }

    std::string sopInstanceUid() const;   // (0008,0018) as text, "" when absent
    void setSopInstanceUid(const std::string& uid);
    std::string sopClassUid() const;      // (0008,0016) as text, "" when absent

private:
    std::vector<Attribute> attributes_;
};

class DataSetCollection {
public:
    // 1-based; raises "Subscript out of range" (9) when there is no such item.
    const DataSetPtr& item(std::size_t index) const;

    void add(DataSetPtr dataSet);
    std::size_t count() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<DataSetPtr> items_;
};

std::shared_ptr<DataSetCollection> makeCollection();

} // namespace kestrova
