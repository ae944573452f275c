#include "portmap/natpmp/NatPmpCodec.h"

#include "portmap/NetworkOrder.h"

#include <algorithm>

namespace NatPmp {
namespace {

using NetworkOrder::append;
using NetworkOrder::longWord;
using NetworkOrder::word;

constexpr quint8 version = 0;
constexpr quint8 externalAddressOp = 0;
constexpr quint8 answerBit = 0x80;
constexpr qsizetype headSize = 8;

quint8 mapOp(Protocol protocol)
{
    return protocol == Protocol::Udp ? 1 : 2;
}

bool hasHead(const QByteArray& datagram, quint8 requestOp)
{
    return datagram.size() >= headSize && quint8(datagram[0]) == version &&
           quint8(datagram[1]) == (requestOp | answerBit);
}

} // namespace

QByteArray externalAddressRequest()
{
    return QByteArray(1, char(version)) + char(externalAddressOp);
}

QByteArray mapRequest(Protocol protocol, quint16 internalPort, quint16 suggestedExternalPort,
                      quint32 lifetimeSeconds)
{
    QByteArray out;
    out.append(char(version)).append(char(mapOp(protocol)));
    append(out, quint16(0));
    append(out, internalPort);
    append(out, suggestedExternalPort);
    append(out, lifetimeSeconds);
    return out;
}

std::optional<ExternalAddressReply> readExternalAddress(const QByteArray& datagram)
{
    if (!hasHead(datagram, externalAddressOp))
        return std::nullopt;
    ExternalAddressReply reply;
    reply.result = word(datagram, 2);
    reply.epoch = longWord(datagram, 4);
    if (reply.result != Success)
        return reply;
    if (datagram.size() < headSize + 4)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(datagram.constData()) + headSize;
    reply.address = QString("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
    return reply;
}

std::optional<MapReply> readMap(const QByteArray& datagram)
{
    for (const auto protocol : {Protocol::Udp, Protocol::Tcp}) {
        if (!hasHead(datagram, mapOp(protocol)))
            continue;
        MapReply reply;
        reply.protocol = protocol;
        reply.result = word(datagram, 2);
        reply.epoch = longWord(datagram, 4);
        if (reply.result != Success)
            return reply;
        if (datagram.size() < headSize + 8)
            return std::nullopt;
        reply.internalPort = word(datagram, 8);
        reply.externalPort = word(datagram, 10);
        reply.lifetimeSeconds = longWord(datagram, 12);
        return reply;
    }
    return std::nullopt;
}

Protocol protocolNamed(const QString& name)
{
    return name == QLatin1String("UDP") ? Protocol::Udp : Protocol::Tcp;
}

QByteArray resultName(quint16 result)
{
    switch (result) {
    case Success:
        return "Success";
    case UnsupportedVersion:
        return "UnsupportedVersion";
    case NotAuthorized:
        return "NotAuthorized";
    case NetworkFailure:
        return "NetworkFailure";
    case OutOfResources:
        return "OutOfResources";
    case UnsupportedOpcode:
        return "UnsupportedOpcode";
    }
    return "Result" + QByteArray::number(result);
}

bool gatewayRestarted(quint32 lastEpoch, quint32 epoch, qint64 elapsedMs)
{
    const qint64 elapsedSeconds = std::max<qint64>(elapsedMs, 0) / 1000;
    return qint64(epoch) + 2 < qint64(lastEpoch) + elapsedSeconds * 7 / 8;
}

} // namespace NatPmp
