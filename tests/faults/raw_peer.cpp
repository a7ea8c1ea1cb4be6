#include "raw_peer.h"

#include "data/command_tags.h"
#include "data/dcm_convert.h"
#include "network/dicom_service.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmdata/dcdatset.h>
#include <dcmtk/dcmdata/dcostrmb.h>

#include <QHostAddress>

#include <algorithm>
#include <iterator>
#include <memory>

namespace kestrova::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t ContextId = 1;

RawBytes bigEndian(std::uint32_t value, int width)
{
    RawBytes bytes;
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    return bytes;
}

// The pieces one after the other. Not vector::insert: GCC 12 misreads it as an overflow here
// (-Wstringop-overread).
RawBytes joined(std::initializer_list<RawBytes> pieces)
{
    RawBytes bytes;
    for (const RawBytes& piece : pieces)
        std::copy(piece.begin(), piece.end(), std::back_inserter(bytes));
    return bytes;
}

RawBytes text(const std::string& text) { return RawBytes(text.begin(), text.end()); }

// Type, a reserved byte, the content's length in `width` bytes, the content.
RawBytes item(std::uint8_t type, const RawBytes& content, int width = 2)
{
    return joined({{type, 0}, bigEndian(static_cast<std::uint32_t>(content.size()), width), content});
}

RawBytes aeTitle(const std::string& title)
{
    std::string padded = title.substr(0, 16);
    padded.resize(16, ' ');
    return text(padded);
}

// At least 1 ms: Qt waits without end for -1.
int millisecondsUntil(Clock::time_point deadline)
{
    return static_cast<int>(std::max<long long>(
        1, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
}

} // namespace

RawBytes associateRequest(const std::string& abstractSyntax, const std::string& calledAeTitle,
                          const std::string& callingAeTitle)
{
    const RawBytes context = joined({{ContextId, 0, 0, 0}, item(0x30, text(abstractSyntax)),
                                     item(0x40, text("1.2.840.10008.1.2"))}); // implicit VR little endian
    const RawBytes userInfo = joined({item(0x51, bigEndian(16384, 4)), // maximum PDU length
                                      item(0x52, text("2.25.329800735698586629295641978511506172918"))});
    return item(PduType::AssociateRq,
                joined({{0, 1, 0, 0}, aeTitle(calledAeTitle), aeTitle(callingAeTitle), RawBytes(32, 0),
                        item(0x10, text("1.2.840.10008.3.1.1.1")), item(0x20, context), item(0x50, userInfo)}),
                4);
}

RawBytes pDataPdu(bool command, bool last, const RawBytes& fragment)
{
    const std::uint8_t header = static_cast<std::uint8_t>((command ? 0x01 : 0x00) | (last ? 0x02 : 0x00));
    return item(PduType::PData,
                joined({bigEndian(static_cast<std::uint32_t>(fragment.size() + 2), 4), {ContextId, header}, fragment}), 4);
}

RawBytes implicitLittleEndian(const DataSet& dataSet)
{
    const std::unique_ptr<DcmDataset> dataset = dcm::toDcmDataset(dataSet);
    std::vector<char> buffer(1 << 16);
    DcmOutputBufferStream out(buffer.data(), buffer.size());
    dataset->transferInit();
    const bool written
        = dataset->write(out, EXS_LittleEndianImplicit, EET_ExplicitLength, nullptr, EGL_recalcGL).good();
    dataset->transferEnd();
    void* data = nullptr;
    offile_off_t length = 0;
    out.flushBuffer(data, length);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return written ? RawBytes(bytes, bytes + length) : RawBytes();
}

RawBytes commandSet(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                    bool withDataSet)
{
    DataSet command;
    command.add(Tag{0x0000, 0x0000}, Numbers{0}); // the group length, counted when written
    // Creation names the affected SOP class and instance, every other request the requested ones.
    const bool create = commandField == CommandField::NCreateRq;
    command.add(CommandTag::CommandField, Numbers{static_cast<double>(commandField)});
    command.add(create ? CommandTag::AffectedSopClassUid : CommandTag::RequestedSopClassUid, classUid);
    if (!instanceUid.empty())
        command.add(create ? CommandTag::AffectedSopInstanceUid : CommandTag::RequestedSopInstanceUid, instanceUid);
    command.add(Tag{0x0000, 0x0110}, Numbers{1}); // message ID
    command.add(Tag{0x0000, 0x0800}, Numbers{static_cast<double>(withDataSet ? 0x0102 : 0x0101)}); // data set type
    return implicitLittleEndian(command);
}

bool RawPeer::connect(int port)
{
    socket_.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    return socket_.waitForConnected(5000);
}

bool RawPeer::send(const RawBytes& bytes)
{
    if (socket_.state() != QAbstractSocket::ConnectedState)
        return false;
    const auto written = socket_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    while (socket_.bytesToWrite() > 0)
        if (!socket_.waitForBytesWritten(5000))
            return false;
    return written == static_cast<qint64>(bytes.size());
}

bool RawPeer::readExactly(RawBytes& into, std::size_t count, Clock::time_point deadline)
{
    while (static_cast<std::size_t>(socket_.bytesAvailable()) < count)
        if (Clock::now() >= deadline || !socket_.waitForReadyRead(millisecondsUntil(deadline)))
            return false;
    into.resize(count);
    return socket_.read(reinterpret_cast<char*>(into.data()), static_cast<qint64>(count)) == static_cast<qint64>(count);
}

std::optional<Pdu> RawPeer::receive(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    RawBytes header;
    if (!readExactly(header, 6, deadline))
        return std::nullopt;
    const std::uint32_t length = (std::uint32_t{header[2]} << 24) | (std::uint32_t{header[3]} << 16)
                                 | (std::uint32_t{header[4]} << 8) | header[5];
    Pdu pdu{header[0], {}};
    if (!readExactly(pdu.body, length, deadline))
        return std::nullopt;
    return pdu;
}

std::uint8_t RawPeer::associate(const std::string& abstractSyntax)
{
    const auto answer = send(associateRequest(abstractSyntax)) ? receive() : std::nullopt;
    return answer ? answer->type : 0;
}

bool RawPeer::waitForClose(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (socket_.state() == QAbstractSocket::ConnectedState) {
        socket_.readAll();
        if (Clock::now() >= deadline)
            return false;
        if (!socket_.waitForReadyRead(std::min(millisecondsUntil(deadline), 200))
            && socket_.error() == QAbstractSocket::RemoteHostClosedError)
            break;
    }
    return true;
}

void RawPeer::close()
{
    if (socket_.state() == QAbstractSocket::UnconnectedState)
        return;
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.waitForDisconnected(2000);
}

} // namespace kestrova::test
