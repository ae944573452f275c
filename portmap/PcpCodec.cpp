#include "portmap/PcpCodec.h"

#include "platform/DottedIPv4.h"

#include <QStringList>
#include <QtEndian>

namespace Pcp {
namespace {

constexpr quint8 version = 2;
constexpr quint8 mapOpcode = 1;
constexpr quint8 answerBit = 0x80;
constexpr qsizetype headerSize = 24;
constexpr qsizetype mapSize = 36;
constexpr quint8 tcpNumber = 6;
constexpr quint8 udpNumber = 17;

const QByteArray mappedPrefix = QByteArray(10, '\0') + QByteArray(2, char(0xff));

QByteArray mapped(const QString& dotted)
{
    QByteArray out = mappedPrefix;
    for (const auto& part : dotted.split('.'))
        out.append(char(part.toUInt()));
    return out;
}

QString dotted(const QByteArray& address)
{
    if (!address.startsWith(mappedPrefix))
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(address.constData()) + mappedPrefix.size();
    return QString("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}

template <typename T> void append(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToBigEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

template <typename T> T read(const QByteArray& data, qsizetype at)
{
    return qFromBigEndian<T>(data.constData() + at);
}

} // namespace

QByteArray mapRequest(const MapRequest& request)
{
    if (request.nonce.size() != nonceSize || !isDottedIPv4(request.clientAddress))
        return {};
    QByteArray out;
    out.append(char(version)).append(char(mapOpcode));
    append(out, quint16(0));
    append(out, request.lifetimeSeconds);
    out.append(mapped(request.clientAddress));
    out.append(request.nonce);
    out.append(char(request.protocol == Protocol::Udp ? udpNumber : tcpNumber));
    out.append(QByteArray(3, '\0'));
    append(out, request.internalPort);
    append(out, request.suggestedExternalPort);
    // Any external IPv4 address will do.
    out.append(mapped("0.0.0.0"));
    return out;
}

std::optional<MapReply> readMap(const QByteArray& datagram)
{
    if (datagram.size() < headerSize || quint8(datagram[0]) != version ||
        quint8(datagram[1]) != (mapOpcode | answerBit))
        return std::nullopt;
    MapReply reply;
    reply.result = quint8(datagram[3]);
    reply.lifetimeSeconds = read<quint32>(datagram, 4);
    reply.epoch = read<quint32>(datagram, 8);
    if (datagram.size() < headerSize + mapSize)
        return reply.result == Success ? std::nullopt : std::optional(reply);
    const QByteArray map = datagram.mid(headerSize, mapSize);
    const auto protocolNumber = quint8(map[12]);
    if (protocolNumber != tcpNumber && protocolNumber != udpNumber)
        return std::nullopt;
    reply.nonce = map.left(nonceSize);
    reply.protocol = protocolNumber == udpNumber ? Protocol::Udp : Protocol::Tcp;
    reply.internalPort = read<quint16>(map, 16);
    reply.externalPort = read<quint16>(map, 18);
    reply.externalAddress = dotted(map.mid(20, 16));
    return reply;
}

bool answers(const MapReply& reply, const MapRequest& request)
{
    return reply.nonce == request.nonce && reply.protocol == request.protocol &&
           reply.internalPort == request.internalPort;
}

} // namespace Pcp
