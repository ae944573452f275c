#include "portmap/pcp/PcpCodec.h"

#include "portmap/NetworkOrder.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

namespace Pcp {
namespace {

using NetworkOrder::append;
using NetworkOrder::longWord;
using NetworkOrder::word;

constexpr quint8 version = 2;
constexpr quint8 answerBit = 0x80;
constexpr qsizetype headerSize = 24;
constexpr qsizetype mapPayloadSize = 36;
constexpr qsizetype peerPayloadSize = 56;
constexpr qsizetype optionHeaderSize = 4;
constexpr quint8 ianaTcp = 6;
constexpr quint8 ianaUdp = 17;

quint8 ianaNumber(Protocol protocol)
{
    return protocol == Protocol::Udp ? ianaUdp : ianaTcp;
}

void append(QByteArray& out, const QHostAddress& address)
{
    if (address.protocol() != QAbstractSocket::IPv4Protocol) {
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        out.append(reinterpret_cast<const char*>(bytes.c), 16);
        return;
    }
    // Qt gives 0.0.0.0 as ::, not as the mapped ::ffff:0.0.0.0 the gateway needs.
    out.append(10, '\0').append(2, char(0xff));
    append(out, address.toIPv4Address());
}

QHostAddress addressAt(const QByteArray& data, qsizetype at)
{
    Q_IPV6ADDR bytes;
    for (int i = 0; i < 16; ++i)
        bytes[i] = quint8(data.at(at + i));
    const QHostAddress address(bytes);
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4) : address;
}

qsizetype payloadSize(quint8 opcode)
{
    switch (Opcode(opcode)) {
    case Opcode::Announce:
        return 0;
    case Opcode::Map:
        return mapPayloadSize;
    case Opcode::Peer:
        return peerPayloadSize;
    }
    return -1;
}

// Options are skipped by their lengths; one that would run past the end
// makes the whole answer malformed.
bool optionsFit(const QByteArray& datagram, qsizetype at)
{
    while (at < datagram.size()) {
        if (datagram.size() - at < optionHeaderSize)
            return false;
        const qsizetype padded = (qsizetype(word(datagram, at + 2)) + 3) / 4 * 4;
        if (padded > datagram.size() - at - optionHeaderSize)
            return false;
        at += optionHeaderSize + padded;
    }
    return true;
}

// The opcode of a well-formed answer.
std::optional<Opcode> answerOpcode(const QByteArray& datagram)
{
    if (datagram.size() < headerSize || datagram.size() > maxMessageSize || datagram.size() % 4 != 0 ||
        quint8(datagram[0]) != version || !(quint8(datagram[1]) & answerBit))
        return std::nullopt;
    const quint8 opcode = quint8(datagram[1]) & ~answerBit;
    const qsizetype payload = payloadSize(opcode);
    if (payload < 0 || datagram.size() < headerSize + payload || !optionsFit(datagram, headerSize + payload))
        return std::nullopt;
    return Opcode(opcode);
}

} // namespace

Nonce freshNonce()
{
    std::array<quint32, 3> words;
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    Nonce nonce;
    std::memcpy(nonce.data(), words.data(), nonce.size());
    return nonce;
}

QByteArray mapRequest(const MapRequest& request)
{
    QByteArray out;
    out.append(char(version)).append(char(Opcode::Map));
    append(out, quint16(0));
    append(out, request.lifetimeSeconds);
    append(out, request.clientAddress);
    out.append(reinterpret_cast<const char*>(request.nonce.data()), qsizetype(request.nonce.size()));
    out.append(char(ianaNumber(request.mapping.protocol))).append(3, '\0');
    append(out, request.mapping.internalPort);
    append(out, request.mapping.externalPort);
    const bool v4 = request.clientAddress.protocol() == QAbstractSocket::IPv4Protocol;
    const QHostAddress any(v4 ? QHostAddress::AnyIPv4 : QHostAddress::AnyIPv6);
    append(out, request.suggestedExternalAddress.isNull() ? any : request.suggestedExternalAddress);
    return out;
}

std::optional<MapAnswer> readMap(const QByteArray& datagram)
{
    if (answerOpcode(datagram) != Opcode::Map)
        return std::nullopt;
    const quint8 protocol = quint8(datagram[36]);
    if (protocol != ianaTcp && protocol != ianaUdp)
        return std::nullopt;
    MapAnswer answer;
    answer.result = quint8(datagram[3]);
    answer.lifetimeSeconds = longWord(datagram, 4);
    answer.epoch = longWord(datagram, 8);
    std::copy_n(datagram.constData() + 24, answer.nonce.size(), answer.nonce.begin());
    answer.protocol = protocol == ianaUdp ? Protocol::Udp : Protocol::Tcp;
    answer.internalPort = word(datagram, 40);
    answer.externalPort = word(datagram, 42);
    answer.externalAddress = addressAt(datagram, 44);
    return answer;
}

bool answersTo(const MapAnswer& answer, const Mapping& asked, const Nonce& nonce)
{
    return answer.protocol == asked.protocol && answer.internalPort == asked.internalPort &&
           answer.nonce == nonce;
}

std::optional<quint32> readAnnounce(const QByteArray& datagram)
{
    if (answerOpcode(datagram) != Opcode::Announce || datagram[3] != Success)
        return std::nullopt;
    return longWord(datagram, 8);
}

bool refusesVersion(const QByteArray& datagram)
{
    // NAT-PMP puts its result in two bytes, PCP in the fourth: both read 1 there.
    return datagram.size() >= 4 && quint8(datagram[0]) < version && (quint8(datagram[1]) & answerBit) &&
           datagram[2] == 0 && datagram[3] == UnsupportedVersion;
}

bool gatewayLostState(quint32 lastEpoch, quint32 epoch, qint64 elapsedMs)
{
    if (qint64(epoch) < qint64(lastEpoch) - 1)
        return true;
    const qint64 clientDelta = std::max<qint64>(elapsedMs, 0) / 1000;
    const qint64 serverDelta = qint64(epoch) - qint64(lastEpoch);
    return clientDelta + 2 < serverDelta - serverDelta / 16 || serverDelta + 2 < clientDelta - clientDelta / 16;
}

QByteArray resultName(int result)
{
    switch (result) {
    case Success:
        return "SUCCESS";
    case UnsupportedVersion:
        return "UNSUPP_VERSION";
    case NotAuthorized:
        return "NOT_AUTHORIZED";
    case MalformedRequest:
        return "MALFORMED_REQUEST";
    case UnsupportedOpcode:
        return "UNSUPP_OPCODE";
    case UnsupportedOption:
        return "UNSUPP_OPTION";
    case MalformedOption:
        return "MALFORMED_OPTION";
    case NetworkFailure:
        return "NETWORK_FAILURE";
    case NoResources:
        return "NO_RESOURCES";
    case UnsupportedProtocol:
        return "UNSUPP_PROTOCOL";
    case UserExceededQuota:
        return "USER_EX_QUOTA";
    case CannotProvideExternal:
        return "CANNOT_PROVIDE_EXTERNAL";
    case AddressMismatch:
        return "ADDRESS_MISMATCH";
    case ExcessiveRemotePeers:
        return "EXCESSIVE_REMOTE_PEERS";
    }
    return "Result" + QByteArray::number(result);
}

} // namespace Pcp
