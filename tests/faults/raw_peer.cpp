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

constexpr const char* ApplicationContext = "1.2.840.10008.3.1.1.1";
constexpr const char* ImplicitLittleEndian = "1.2.840.10008.1.2";
constexpr const char* ImplementationClass = "2.25.329800735698586629295641978511506172918";
constexpr std::uint32_t MaxPduLength = 16384;
constexpr std::uint8_t ContextId = 1;

void putBigEndian(RawBytes& bytes, std::uint32_t value, int width)
{
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

void append(RawBytes& bytes, const RawBytes& more)
{
    // Not vector::insert: GCC 12 misreads it as an overflow here (-Wstringop-overread).
    bytes.reserve(bytes.size() + more.size());
    std::copy(more.begin(), more.end(), std::back_inserter(bytes));
}

// Type, a reserved byte, a two-byte length, the content.
RawBytes item(std::uint8_t type, const RawBytes& content)
{
    RawBytes bytes{type, 0};
    putBigEndian(bytes, static_cast<std::uint32_t>(content.size()), 2);
    append(bytes, content);
    return bytes;
}

RawBytes item(std::uint8_t type, const std::string& text) { return item(type, RawBytes(text.begin(), text.end())); }

RawBytes pdu(std::uint8_t type, const RawBytes& content)
{
    RawBytes bytes{type, 0};
    putBigEndian(bytes, static_cast<std::uint32_t>(content.size()), 4);
    append(bytes, content);
    return bytes;
}

RawBytes aeTitle(const std::string& title)
{
    std::string padded = title.substr(0, 16);
    padded.resize(16, ' ');
    return RawBytes(padded.begin(), padded.end());
}

} // namespace

RawBytes associateRequest(const std::string& abstractSyntax, const std::string& calledAeTitle,
                          const std::string& callingAeTitle)
{
    RawBytes context{ContextId, 0, 0, 0};
    append(context, item(0x30, abstractSyntax));
    append(context, item(0x40, ImplicitLittleEndian));
    RawBytes maxLength;
    putBigEndian(maxLength, MaxPduLength, 4);
    RawBytes userInfo = item(0x51, maxLength);
    append(userInfo, item(0x52, ImplementationClass));

    RawBytes content;
    putBigEndian(content, 1, 2); // protocol version
    putBigEndian(content, 0, 2);
    append(content, aeTitle(calledAeTitle));
    append(content, aeTitle(callingAeTitle));
    content.resize(content.size() + 32, 0);
    append(content, item(0x10, ApplicationContext));
    append(content, item(0x20, context));
    append(content, item(0x50, userInfo));
    return pdu(PduType::AssociateRq, content);
}

RawBytes pDataPdu(bool command, bool last, const RawBytes& fragment)
{
    RawBytes pdv;
    putBigEndian(pdv, static_cast<std::uint32_t>(fragment.size() + 2), 4);
    pdv.push_back(ContextId);
    pdv.push_back(static_cast<std::uint8_t>((command ? 0x01 : 0x00) | (last ? 0x02 : 0x00)));
    append(pdv, fragment);
    return pdu(PduType::PData, pdv);
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
    while (static_cast<std::size_t>(socket_.bytesAvailable()) < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !socket_.waitForReadyRead(static_cast<int>(std::max<long long>(left, 1))))
            return false;
    }
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
    if (!send(associateRequest(abstractSyntax)))
        return 0;
    const auto answer = receive();
    return answer ? answer->type : 0;
}

bool RawPeer::waitForClose(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (socket_.state() == QAbstractSocket::ConnectedState) {
        socket_.readAll();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        if (!socket_.waitForReadyRead(static_cast<int>(std::min<long long>(left, 200)))
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
