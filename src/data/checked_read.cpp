#include "data/checked_read.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcistrmb.h>
#include <dcmtk/dcmdata/dcxfer.h>

namespace kestrova::dcm {

namespace {

E_TransferSyntax transferSyntaxOf(DataSetEncoding encoding)
{
    switch (encoding) {
    case DataSetEncoding::ImplicitLittleEndian: return EXS_LittleEndianImplicit;
    case DataSetEncoding::ExplicitBigEndian: return EXS_BigEndianExplicit;
    case DataSetEncoding::ExplicitLittleEndian: break;
    }
    return EXS_LittleEndianExplicit;
}

ReadState refusalOf(ScanVerdict verdict)
{
    switch (verdict) {
    case ScanVerdict::TooDeep: return ReadState::TooDeep;
    case ScanVerdict::TooManyElements: return ReadState::TooManyElements;
    case ScanVerdict::ValueTooLong: return ReadState::TooLarge;
    case ScanVerdict::Malformed: return ReadState::Malformed;
    case ScanVerdict::Acceptable: break;
    }
    return ReadState::Reading;
}

} // namespace

// DCMTK's parser, fed as DIMSE feeds it: the stream keeps the bytes of an element that a
// fragment cut in two, and the data set takes up where it stopped.
struct CheckedReader::Parser {
    explicit Parser(E_TransferSyntax syntax) : syntax(syntax) { dataset->transferInit(); }
    ~Parser()
    {
        if (dataset)
            dataset->transferEnd();
    }

    E_TransferSyntax syntax;
    DcmInputBufferStream stream;
    std::unique_ptr<DcmDataset> dataset = std::make_unique<DcmDataset>();
};

CheckedReader::CheckedReader(DataSetEncoding encoding, std::uint64_t maxBytes)
    : parser_(std::make_unique<Parser>(transferSyntaxOf(encoding))),
      scanner_(encoding, MaxSequenceNesting, maxBytes), maxBytes_(maxBytes)
{
}

CheckedReader::~CheckedReader() = default;

ReadState CheckedReader::feed(std::span<const std::uint8_t> fragment, bool last)
{
    bytes_ += fragment.size();
    if (state_ != ReadState::Reading)
        return state_;
    if (bytes_ > maxBytes_) {
        state_ = ReadState::TooLarge;
        parser_.reset();
    } else if (const ScanVerdict verdict = scanner_.scan(fragment); verdict != ScanVerdict::Acceptable) {
        state_ = refusalOf(verdict);
        parser_.reset();
    } else {
        state_ = parse(fragment, last);
    }
    return state_;
}

ReadState CheckedReader::parse(std::span<const std::uint8_t> fragment, bool last)
{
    DcmInputBufferStream& stream = parser_->stream;
    if (!fragment.empty())
        stream.setBuffer(fragment.data(), static_cast<offile_off_t>(fragment.size()));
    if (last)
        stream.setEos();
    const OFCondition read = parser_->dataset->read(stream, parser_->syntax);
    // The fragment is gone after this call: the stream copies what it has not parsed yet.
    stream.releaseBuffer();
    if (read.bad() && read != EC_StreamNotifyClient) {
        parser_.reset();
        return ReadState::Unreadable;
    }
    return last ? ReadState::Complete : ReadState::Reading;
}

std::unique_ptr<DcmDataset> CheckedReader::take()
{
    if (state_ != ReadState::Complete || !parser_)
        return nullptr;
    std::unique_ptr<DcmDataset> dataset = std::move(parser_->dataset);
    dataset->transferEnd();
    parser_.reset();
    return dataset;
}

std::unique_ptr<DcmDataset> readChecked(std::span<const std::uint8_t> bytes, DataSetEncoding encoding,
                                        std::uint64_t maxBytes, ReadState& state)
{
    CheckedReader reader(encoding, maxBytes);
    state = reader.feed(bytes, true);
    return reader.take();
}

} // namespace kestrova::dcm
