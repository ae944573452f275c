#include "portmap/MappingLine.h"

#include <algorithm>

namespace MappingLine {

QString protocolField(const QString& protocol)
{
    return QStringLiteral("  ") + protocol + QStringLiteral("  ");
}

QString make(const QString& publicAddress, const QString& publicPort, const QString& protocol,
             const QString& localAddress, const QString& localPort)
{
    return publicAddress + u':' + publicPort + protocolField(protocol) + localAddress + u':' + localPort;
}

std::optional<int> port(const QString& text)
{
    const QString digits = text.trimmed();
    // toInt would also take "+80"; a port is digits only.
    if (digits.isEmpty() || digits.size() > 5 ||
        !std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int value = digits.toInt();
    if (value < 1 || value > 65535)
        return std::nullopt;
    return value;
}

QString key(const Ports& mapping)
{
    return QString::number(mapping.publicPort) + u' ' + mapping.protocol;
}

static QString withoutBlanks(QString text)
{
    return text.remove(u' ');
}

std::optional<Ports> ports(const QString& line)
{
    const QString protocol =
        line.contains(QStringLiteral("TCP")) ? QStringLiteral("TCP") : QStringLiteral("UDP");
    const qsizetype word = line.indexOf(protocol);
    const qsizetype firstColon = line.indexOf(u':');
    if (word < 0 || firstColon < 0 || firstColon > word)
        return std::nullopt;
    const qsizetype localColon = line.indexOf(u':', word + protocol.size());
    if (localColon < 0)
        return std::nullopt;
    const auto publicPort = port(withoutBlanks(line.mid(firstColon + 1, word - firstColon - 1)));
    const auto localPort = port(withoutBlanks(line.mid(localColon + 1)));
    if (!publicPort || !localPort)
        return std::nullopt;
    const qsizetype afterWord = word + protocol.size();
    return Ports{protocol, *publicPort, *localPort,
                 withoutBlanks(line.mid(afterWord, localColon - afterWord))};
}

} // namespace MappingLine
