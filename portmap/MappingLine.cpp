#include "portmap/MappingLine.h"

#include "settings/InputRules.h"

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
    if (!InputRules::portTextProblem(text).isEmpty())
        return std::nullopt;
    return text.trimmed().toInt();
}

QString key(const Ports& mapping)
{
    return QString::number(mapping.publicPort) + u' ' + mapping.protocol;
}

bool heldElsewhere(const QString& holder, const QString& thisMachine, const Ports& mapping)
{
    return holder != thisMachine && holder != mapping.localAddress;
}

// A hand-edited file may hold tabs between the fields.
static QString withoutBlanks(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
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
