#include "platform/DefaultGateway.h"

#include <QFile>
#include <QHostAddress>
#include <QList>

#include <cstring>
#include <limits>

namespace {

constexpr quint32 routeUp = 0x1;
constexpr quint32 routeHasGateway = 0x2;

// The kernel prints each address as the hex of its four bytes read as one
// native word: the bytes in memory are the address in network order again.
QString dotted(quint32 nativeWord)
{
    uchar bytes[4];
    std::memcpy(bytes, &nativeWord, sizeof bytes);
    return QString("%1.%2.%3.%4").arg(bytes[0]).arg(bytes[1]).arg(bytes[2]).arg(bytes[3]);
}

std::optional<quint32> hexWord(const QByteArray& field)
{
    if (field.isEmpty() || field.size() > 8)
        return std::nullopt;
    bool ok = false;
    const auto value = field.toUInt(&ok, 16);
    return ok ? std::optional(quint32(value)) : std::nullopt;
}

} // namespace

std::optional<QString> defaultGateway(const QByteArray& procNetRoute)
{
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    std::optional<QString> best;
    auto bestMetric = std::numeric_limits<quint32>::max();
    const auto lines = procNetRoute.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto fields = lines[i].simplified().split(' ');
        if (fields.size() < 8)
            continue;
        const auto destination = hexWord(fields[1]);
        const auto gateway = hexWord(fields[2]);
        const auto flags = hexWord(fields[3]);
        const auto mask = hexWord(fields[7]);
        bool metricOk = false;
        const auto metric = fields[6].toUInt(&metricOk);
        if (!destination || !gateway || !flags || !mask || !metricOk || *destination != 0 || *mask != 0 ||
            *gateway == 0 || (*flags & (routeUp | routeHasGateway)) != (routeUp | routeHasGateway))
            continue;
        if (!best || metric < bestMetric) {
            best = dotted(*gateway);
            bestMetric = metric;
        }
    }
    return best;
}

std::optional<QString> defaultGateway()
{
    QFile routes("/proc/net/route");
    if (!routes.open(QIODevice::ReadOnly))
        return std::nullopt;
    return defaultGateway(routes.readAll());
}

std::optional<QString> defaultGatewayIPv6(const QByteArray& procNetIpv6Route)
{
    // Destination, its prefix length, source, its prefix length, next hop, metric, refs, use, flags, device.
    static const QByteArray anywhere(32, '0');
    std::optional<QString> best;
    auto bestMetric = std::numeric_limits<quint32>::max();
    for (const QByteArray& line : procNetIpv6Route.split('\n')) {
        const auto fields = line.simplified().split(' ');
        if (fields.size() != 10 || fields[0] != anywhere || fields[1] != "00" || fields[4].size() != 32 ||
            fields[4] == anywhere || fields[9].isEmpty() || fields[9].size() > 15)
            continue;
        const auto metric = hexWord(fields[5]);
        const auto flags = hexWord(fields[8]);
        if (!metric || !flags || (*flags & (routeUp | routeHasGateway)) != (routeUp | routeHasGateway))
            continue;
        const QByteArray bytes = QByteArray::fromHex(fields[4]);
        if (bytes.size() != 16)
            continue;
        Q_IPV6ADDR raw;
        for (int i = 0; i < 16; ++i)
            raw[i] = quint8(bytes.at(i));
        QHostAddress gateway(raw);
        if (gateway.isLinkLocal())
            gateway.setScopeId(QString::fromLatin1(fields[9]));
        if (!best || *metric < bestMetric) {
            best = gateway.toString();
            bestMetric = *metric;
        }
    }
    return best;
}

std::optional<QString> defaultGatewayIPv6()
{
    QFile routes("/proc/net/ipv6_route");
    if (!routes.open(QIODevice::ReadOnly))
        return std::nullopt;
    return defaultGatewayIPv6(routes.readAll());
}
