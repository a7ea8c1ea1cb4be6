#pragma once
// A request's data set read from its bytes as they arrive, fragment by fragment: the nesting
// scanner sees each fragment before DCMTK's parser, and the parser is given a fragment only once
// the scanner has accepted it, so that nothing nested too deep ever reaches DCMTK's recursion.
// The network reads every request data set this way; the fuzz target reads its inputs the same.
//
// Threads: a reader belongs to the thread that feeds it.

#include "data/nesting_scanner.h"

#include <cstdint>
#include <memory>
#include <span>

class DcmDataset;

namespace kestrova::dcm {

enum class ReadState {
    Reading,    // more fragments to come
    Complete,   // the data set is read
    TooLarge,   // more bytes than allowed, or a value announcing more
    TooDeep,    // sequences nested beyond MaxSequenceNesting
    TooManyElements, // more than MaxDataSetElements
    Malformed,  // refused by the scanner before DCMTK saw it
    Unreadable, // refused by DCMTK's parser
};

class CheckedReader {
public:
    // maxBytes bounds the whole data set, and with it every value in it.
    CheckedReader(DataSetEncoding encoding, std::uint64_t maxBytes);
    ~CheckedReader();
    CheckedReader(const CheckedReader&) = delete;
    CheckedReader& operator=(const CheckedReader&) = delete;

    // The next fragment; `last` with the data set's final one. The fragment need only live for
    // the call. Once the data set is refused later fragments are only counted, so that the rest
    // of it can be received and dropped.
    ReadState feed(std::span<const std::uint8_t> fragment, bool last);
    ReadState state() const { return state_; }
    // Every byte fed so far, refused ones too.
    std::uint64_t bytes() const { return bytes_; }
    // The data set, once Complete; null before and after.
    std::unique_ptr<DcmDataset> take();

private:
    ReadState parse(std::span<const std::uint8_t> fragment, bool last);

    struct Parser;
    std::unique_ptr<Parser> parser_;
    NestingScanner scanner_;
    const std::uint64_t maxBytes_;
    std::uint64_t bytes_ = 0;
    ReadState state_ = ReadState::Reading;
};

// A whole data set in one piece.
std::unique_ptr<DcmDataset> readChecked(std::span<const std::uint8_t> bytes, DataSetEncoding encoding,
                                        std::uint64_t maxBytes, ReadState& state);

} // namespace kestrova::dcm
