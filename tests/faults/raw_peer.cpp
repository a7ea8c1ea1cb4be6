#include "raw_peer.h"

#include "toolkit/connection.h"

#include <QHostAddress>

#include <algorithm>
#include <iterator>

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

void putLittleEndian(RawBytes& bytes, std::uint32_t value, int width)
{
    for (int shift = 0; shift < width * 8; shift += 8)
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

RawBytes usElement(std::uint16_t element, std::uint16_t value)
{
    RawBytes bytes;
    putLittleEndian(bytes, 0x0000, 2);
    putLittleEndian(bytes, element, 2);
    putLittleEndian(bytes, 2, 4);
    putLittleEndian(bytes, value, 2);
    return bytes;
}

} // namespace

RawBytes associateRequest(const std::string& abstractSyntax, const std::string& calledAeTitle)
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
    append(content, aeTitle("RAWPEER"));
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

RawBytes textElement(std::uint16_t group, std::uint16_t element, const std::string& text, char padding)
{
    std::string value = text;
    if (value.size() % 2 != 0)
        value.push_back(padding);
    RawBytes bytes;
    putLittleEndian(bytes, group, 2);
    putLittleEndian(bytes, element, 2);
    putLittleEndian(bytes, static_cast<std::uint32_t>(value.size()), 4);
    bytes.insert(bytes.end(), value.begin(), value.end());
    return bytes;
}

RawBytes commandSet(std::uint16_t commandField, const std::string& classUid, const std::string& instanceUid,
                    bool withDataSet)
{
    const bool create = commandField == CommandField::NCreateRq;
    RawBytes elements = textElement(0x0000, create ? 0x0002 : 0x0003, classUid, '\0');
    append(elements, usElement(0x0100, commandField));
    append(elements, usElement(0x0110, 1)); // message ID
    append(elements, usElement(0x0800, withDataSet ? 0x0102 : 0x0101));
    if (!instanceUid.empty())
        append(elements, textElement(0x0000, create ? 0x1000 : 0x1001, instanceUid, '\0'));

    RawBytes command;
    putLittleEndian(command, 0x0000, 2);
    putLittleEndian(command, 0x0000, 2);
    putLittleEndian(command, 4, 4);
    putLittleEndian(command, static_cast<std::uint32_t>(elements.size()), 4);
    append(command, elements);
    return command;
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
