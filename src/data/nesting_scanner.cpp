#include "data/nesting_scanner.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dctag.h>
#include <dcmtk/dcmdata/dcvr.h>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

namespace {

constexpr std::uint32_t UndefinedLength = 0xFFFFFFFF;
constexpr std::uint16_t ItemGroup = 0xFFFE;
constexpr std::uint16_t ItemStart = 0xE000;
constexpr std::uint16_t ItemEnd = 0xE00D;
constexpr std::uint16_t SequenceEnd = 0xE0DD;
constexpr std::uint16_t PixelDataGroup = 0x7FE0;
constexpr std::uint16_t PixelDataElement = 0x0010;
constexpr std::uint64_t Unbounded = std::numeric_limits<std::uint64_t>::max();
// Private creators are LO values of at most 64 characters; a longer one names no dictionary entry.
constexpr std::size_t MaxCreatorBytes = 66;

struct Coding {
    bool explicitVr = true;
    bool bigEndian = false;
};

// The items of an explicit UN of undefined length are read this way, whatever the data set's.
constexpr Coding ImplicitLittleEndian{false, false};

Coding codingOf(DataSetEncoding encoding)
{
    switch (encoding) {
    case DataSetEncoding::ImplicitLittleEndian: return ImplicitLittleEndian;
    case DataSetEncoding::ExplicitBigEndian: return Coding{true, true};
    case DataSetEncoding::ExplicitLittleEndian: break;
    }
    return Coding{true, false};
}

enum class Kind { Item, Sequence, PixelSequence };

struct Creator {
    std::uint16_t group = 0;
    std::uint16_t block = 0; // the element number of its reservation, 0x10..0xFF
    std::string name;
};

struct Container {
    Kind kind = Kind::Item;
    std::uint64_t end = Unbounded; // where a defined length ends it
    Coding coding;                 // of an item's elements, of a sequence's items
    std::vector<Creator> creators; // an item's private creators, as they came
};

struct Header {
    std::uint16_t group = 0;
    std::uint16_t element = 0;
    DcmEVR vr = EVR_UNKNOWN; // explicit VR only
    std::uint32_t length = 0;

    bool is(std::uint16_t g, std::uint16_t e) const { return group == g && element == e; }
    bool undefinedLength() const { return length == UndefinedLength; }
};

bool isPrivateReservation(const Header& header)
{
    return (header.group & 1) != 0 && header.element >= 0x0010 && header.element <= 0x00FF;
}

bool isPixelDataVr(DcmEVR vr) { return vr == EVR_OB || vr == EVR_OW || vr == EVR_ox || vr == EVR_px; }

// The private creator as DCMTK may have kept it: cut at a NUL, without or with its padding.
std::vector<std::string> namesOfCreator(const std::string& raw)
{
    std::string name = raw.substr(0, raw.find('\0'));
    std::vector<std::string> names{name};
    name.erase(name.find_last_not_of(' ') + 1);
    names.push_back(name);
    name.erase(0, std::min(name.size(), name.find_first_not_of(' ')));
    names.push_back(name);
    return names;
}

bool dictionarySaysSequence(std::uint16_t group, std::uint16_t element, const char* creator)
{
    DcmTag tag(group, element);
    if (creator != nullptr) {
        tag.setPrivateCreator(creator);
        tag.lookupVRinDictionary();
    }
    return tag.getEVR() == EVR_SQ;
}

// In implicit VR only the dictionary tells a sequence; a private attribute is looked up under
// every creator that reserved its block in the item so far.
bool implicitSequence(const Header& header, const std::vector<Creator>& creators)
{
    if (dictionarySaysSequence(header.group, header.element, nullptr))
        return true;
    if ((header.group & 1) == 0 || header.element < 0x1000)
        return false;
    return std::any_of(creators.begin(), creators.end(), [&](const Creator& creator) {
        if (creator.group != header.group || creator.block != (header.element >> 8))
            return false;
        const auto names = namesOfCreator(creator.name);
        return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
            return dictionarySaysSequence(header.group, header.element, name.c_str());
        });
    });
}

} // namespace

class NestingScanner::Walk {
public:
    Walk(DataSetEncoding encoding, std::size_t maxNesting, std::uint64_t maxValueLength)
        : maxNesting_(maxNesting), maxValueLength_(maxValueLength)
    {
        stack_.push_back(Container{Kind::Item, Unbounded, codingOf(encoding), {}});
    }

    ScanVerdict scan(std::span<const std::uint8_t> bytes)
    {
        while (!bytes.empty() && verdict_ == ScanVerdict::Acceptable)
            bytes = inValue_ ? skipValue(bytes) : readHeader(bytes);
        return verdict_;
    }

    ScanVerdict verdict() const { return verdict_; }

private:
    const Coding& coding() const { return stack_.back().coding; }

    std::uint16_t number16(std::size_t at) const
    {
        const unsigned first = header_[at];
        const unsigned second = header_[at + 1];
        return static_cast<std::uint16_t>(coding().bigEndian ? (first << 8) | second : (second << 8) | first);
    }

    std::uint32_t number32(std::size_t at) const
    {
        const std::uint32_t first = number16(at);
        const std::uint32_t second = number16(at + 2);
        return coding().bigEndian ? (first << 16) | second : (second << 16) | first;
    }

    // Only the elements of an item carry a VR, and item tags never do.
    bool withVr() const
    {
        return stack_.back().kind == Kind::Item && coding().explicitVr && number16(0) != ItemGroup;
    }

    DcmVR vrRead() const
    {
        const char name[3] = {static_cast<char>(header_[4]), static_cast<char>(header_[5]), '\0'};
        return DcmVR(name);
    }

    // The bytes the header being read needs, as far as those it holds tell.
    std::size_t headerSize() const
    {
        if (held_ < 4)
            return 4;
        if (!withVr())
            return 8;
        if (held_ < 6)
            return 6;
        return vrRead().usesExtendedLengthEncoding() ? 12 : 8;
    }

    std::span<const std::uint8_t> readHeader(std::span<const std::uint8_t> bytes)
    {
        const std::size_t wanted = headerSize() - held_;
        const std::size_t taken = std::min(wanted, bytes.size());
        std::copy_n(bytes.begin(), taken, header_.begin() + static_cast<std::ptrdiff_t>(held_));
        held_ += taken;
        offset_ += taken;
        if (held_ == 6 && withVr() && !vrRead().isStandard())
            refuse(ScanVerdict::Malformed); // DCMTK would guess the size of its length field
        else if (held_ == headerSize())
            onHeader();
        return bytes.subspan(taken);
    }

    Header header() const
    {
        Header header{number16(0), number16(2), EVR_UNKNOWN, 0};
        if (!withVr())
            header.length = number32(4);
        else if (held_ == 12)
            header.length = number32(8);
        else
            header.length = number16(6);
        if (withVr())
            header.vr = vrRead().getEVR();
        return header;
    }

    void onHeader()
    {
        const Header read = header();
        held_ = 0;
        if (offset_ > stack_.back().end)
            return refuse(ScanVerdict::Malformed);
        switch (stack_.back().kind) {
        case Kind::Item: return inItem(read);
        case Kind::Sequence: return inSequence(read);
        case Kind::PixelSequence: return inPixelSequence(read);
        }
    }

    void inSequence(const Header& read)
    {
        if (read.is(ItemGroup, ItemStart)) {
            if (counted())
                open(Kind::Item, read.length, coding());
            return;
        }
        if (read.is(ItemGroup, SequenceEnd) && read.length == 0 && stack_.back().end == Unbounded)
            return close();
        refuse(ScanVerdict::Malformed);
    }

    void inPixelSequence(const Header& read)
    {
        if (read.is(ItemGroup, ItemStart) && !read.undefinedLength()) {
            if (counted())
                startValue(read);
            return;
        }
        if (read.is(ItemGroup, SequenceEnd) && read.length == 0)
            return close();
        refuse(ScanVerdict::Malformed);
    }

    void inItem(const Header& read)
    {
        if (read.group == ItemGroup) {
            const bool endsThisItem = read.is(ItemGroup, ItemEnd) && read.length == 0 && stack_.size() > 1
                                      && stack_.back().end == Unbounded;
            return endsThisItem ? close() : refuse(ScanVerdict::Malformed);
        }
        if (!counted())
            return;
        if (coding().explicitVr)
            return explicitElement(read);
        implicitElement(read);
    }

    void explicitElement(const Header& read)
    {
        const bool pixelData = read.is(PixelDataGroup, PixelDataElement);
        if (read.vr == EVR_SQ)
            return open(Kind::Sequence, read.length, coding());
        if (!read.undefinedLength())
            return startValue(read);
        if (read.vr == EVR_OB || read.vr == EVR_OW)
            return open(pixelData ? Kind::PixelSequence : Kind::Sequence, read.length, coding());
        if (read.vr == EVR_UN)
            return open(Kind::Sequence, read.length, ImplicitLittleEndian);
        refuse(ScanVerdict::Malformed);
    }

    void implicitElement(const Header& read)
    {
        if (read.undefinedLength()) {
            const bool pixelData = read.is(PixelDataGroup, PixelDataElement)
                                   && isPixelDataVr(DcmTag(read.group, read.element).getEVR());
            return open(pixelData ? Kind::PixelSequence : Kind::Sequence, read.length, ImplicitLittleEndian);
        }
        if (implicitSequence(read, stack_.back().creators))
            return open(Kind::Sequence, read.length, ImplicitLittleEndian);
        startValue(read);
    }

    // One more attribute, item or fragment; false, and refused, once there are too many.
    bool counted()
    {
        if (++elements_ <= MaxDataSetElements)
            return true;
        refuse(ScanVerdict::TooManyElements);
        return false;
    }

    void open(Kind kind, std::uint32_t length, Coding inside)
    {
        if (kind != Kind::Item && ++sequences_ > maxNesting_)
            return refuse(ScanVerdict::TooDeep);
        const std::uint64_t end = length == UndefinedLength ? Unbounded : offset_ + length;
        if (end != Unbounded && end > stack_.back().end)
            return refuse(ScanVerdict::Malformed);
        stack_.push_back(Container{kind, end, inside, {}});
        closeEnded();
    }

    void close()
    {
        if (stack_.back().kind != Kind::Item)
            --sequences_;
        stack_.pop_back();
        closeEnded();
    }

    // Defined lengths end their containers without a delimiter, several at once at times.
    void closeEnded()
    {
        while (stack_.size() > 1 && stack_.back().end != Unbounded && offset_ >= stack_.back().end) {
            if (offset_ > stack_.back().end)
                return refuse(ScanVerdict::Malformed);
            if (stack_.back().kind != Kind::Item)
                --sequences_;
            stack_.pop_back();
        }
    }

    void startValue(const Header& read)
    {
        if (read.length > maxValueLength_)
            return refuse(ScanVerdict::ValueTooLong);
        if (offset_ + read.length > stack_.back().end)
            return refuse(ScanVerdict::Malformed);
        if (isPrivateReservation(read) && stack_.back().kind == Kind::Item)
            creator_ = Creator{read.group, read.element, {}};
        skip_ = read.length;
        inValue_ = true;
        if (skip_ == 0)
            endValue();
    }

    std::span<const std::uint8_t> skipValue(std::span<const std::uint8_t> bytes)
    {
        const std::size_t taken = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, bytes.size()));
        if (creator_) {
            const std::size_t kept = std::min(taken, MaxCreatorBytes - std::min(MaxCreatorBytes, creator_->name.size()));
            creator_->name.append(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(kept));
        }
        skip_ -= taken;
        offset_ += taken;
        if (skip_ == 0)
            endValue();
        return bytes.subspan(taken);
    }

    void endValue()
    {
        inValue_ = false;
        if (creator_)
            stack_.back().creators.push_back(std::move(*creator_));
        creator_.reset();
        closeEnded();
    }

    void refuse(ScanVerdict verdict) { verdict_ = verdict; }

    const std::size_t maxNesting_;
    const std::uint64_t maxValueLength_;
    std::vector<Container> stack_;
    std::size_t sequences_ = 0;
    std::size_t elements_ = 0;
    std::uint64_t offset_ = 0;
    std::array<std::uint8_t, 12> header_{};
    std::size_t held_ = 0;
    bool inValue_ = false;
    std::uint64_t skip_ = 0;
    std::optional<Creator> creator_; // a private reservation whose value is being read
    ScanVerdict verdict_ = ScanVerdict::Acceptable;
};

NestingScanner::NestingScanner(DataSetEncoding encoding, std::size_t maxNesting, std::uint64_t maxValueLength)
    : walk_(std::make_unique<Walk>(encoding, maxNesting, maxValueLength))
{
}

NestingScanner::~NestingScanner() = default;

ScanVerdict NestingScanner::scan(std::span<const std::uint8_t> bytes) { return walk_->scan(bytes); }

ScanVerdict NestingScanner::verdict() const { return walk_->verdict(); }

} // namespace kestrova
