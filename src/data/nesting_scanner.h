#pragma once
// Follows the sequences and items of a data set as its bytes arrive, before DCMTK's parser is
// given them. DCMTK's parser calls itself once for every nested sequence and item and has no
// limit of its own: a data set nested some tens of thousands deep overflows the stack of the
// thread that reads it, and the process dies. The scanner keeps its own stack on the heap, says
// when sequences nest beyond a limit, and refuses every shape whose nesting it cannot follow
// exactly as DCMTK would (DCMTK then never sees the bytes either).
//
// What DCMTK 3.6.7 reads as a sequence, with the parser options the program leaves at their
// defaults: an explicit VR of SQ; in implicit VR an attribute the data dictionary calls SQ, a
// private one looked up under the private creators seen before it in its item; and any value of
// undefined length but encapsulated Pixel Data (the items of an explicit UN are then read in
// Implicit VR Little Endian). Where DCMTK's choice depends on more than this the scanner counts a
// sequence: counting one too many can only refuse, never let nesting through unseen.
//
// It also counts the attributes, those in sequences too, the items of sequences and the fragments
// of encapsulated pixel data. DCMTK inserts each attribute into its item by tag, searching from
// the last one, so a data set whose attributes come in descending order costs time growing with
// the square of their count (sixty thousand of them, half a megabyte, take 16 s); and an empty
// item, eight bytes on the wire, costs some 300 bytes once parsed and converted.
//
// Threads: a scanner belongs to the thread that feeds it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace kestrova {

enum class DataSetEncoding { ExplicitLittleEndian, ImplicitLittleEndian, ExplicitBigEndian };

// How deep sequences may nest in a request's data set. Print requests nest two or three deep
// (an image box's image sequence holding the image; a film box's reference sequences).
inline constexpr std::size_t MaxSequenceNesting = 16;

// How many attributes, items and pixel fragments a request's data set may hold, all its sequences
// counted. Print requests hold some tens, an image box's image with all its modality's attributes
// some hundreds.
inline constexpr std::size_t MaxDataSetElements = 4096;

enum class ScanVerdict {
    Acceptable,   // so far
    TooDeep,      // sequences nest deeper than the limit
    ValueTooLong, // a value announces more bytes than a data set may hold
    TooManyElements, // more than MaxDataSetElements attributes, items and fragments
    Malformed,    // a shape DCMTK refuses, or whose nesting cannot be followed with certainty
};

class NestingScanner {
public:
    NestingScanner(DataSetEncoding encoding, std::size_t maxNesting, std::uint64_t maxValueLength);
    ~NestingScanner();
    NestingScanner(const NestingScanner&) = delete;
    NestingScanner& operator=(const NestingScanner&) = delete;

    // Takes the next bytes of the data set. Once the verdict is not Acceptable, it stays.
    ScanVerdict scan(std::span<const std::uint8_t> bytes);
    ScanVerdict verdict() const;

private:
    class Walk;
    std::unique_ptr<Walk> walk_;
};

} // namespace kestrova
