#include "registration/LoginExchange.h"

#include "platform/CodePage.h"
#include "settings/deployment.h"

#include <algorithm>

namespace LoginExchange {

namespace {

const QString fieldSeparator = QStringLiteral("&&&");

QString percentEncoded(const QString& value, const CodePage& codePage)
{
    return QString::fromLatin1(codePage.encode(value).toPercentEncoding());
}

QString builtInZone(int number)
{
    return QString::fromUtf8(deployment::builtInZones.at(std::size_t(number - 1)));
}

// The text between the first `open` and the first `close`; empty when either
// is missing or `close` comes first.
QString between(const QString& text, const QString& open, const QString& close)
{
    const qsizetype start = text.indexOf(open);
    const qsizetype end = text.indexOf(close);
    if (start < 0 || end < 0 || end < start + open.size())
        return {};
    return text.mid(start + open.size(), end - start - open.size());
}

} // namespace

std::optional<QString> zoneOf(const QString& domain)
{
    const QStringList labels = domain.split(u'.');
    if (labels.size() < 2)
        return std::nullopt;
    return (labels.at(labels.size() - 2) + u'.' + labels.last()).trimmed();
}

QString primaryServerHost(const QString& domain, const QStringList& zoneList)
{
    const auto zone = zoneOf(domain);
    if (zone && zoneList.contains(*zone, Qt::CaseInsensitive))
        return QStringLiteral("main.") + *zone;
    return QStringLiteral("main.") + builtInZone(19);
}

bool isSecondaryEligible(const QString& serverHost)
{
    return serverHost.contains(builtInZone(19), Qt::CaseInsensitive);
}

QString secondaryServerHost()
{
    return QStringLiteral("main2.") + builtInZone(19);
}

int remotePort(const QString& serverHost, const QString& accountTypeLine)
{
    int port = ordinaryPort;
    if (accountTypeLine == QStringLiteral("6"))
        port = payingUserPort;
    // Host names compare without regard to case, as DNS does.
    if (serverHost.contains(builtInZone(18), Qt::CaseInsensitive) ||
        serverHost.contains(builtInZone(19), Qt::CaseInsensitive))
        port = designatedZonePort;
    return port;
}

bool isSendableCredential(const QString& text)
{
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::ByteOrderMark;
    });
}

QString loginDatagram(const QString& domain, const QString& password, AddressMode mode,
                      const QString& address)
{
    const QString head = QStringLiteral("verarod47") + domain + fieldSeparator + password + fieldSeparator;
    if (mode == AddressMode::Public)
        return head + QStringLiteral("no") + fieldSeparator;
    return head + QStringLiteral("ip") + address + fieldSeparator;
}

Reply parseReply(const QString& text)
{
    Reply reply;
    if (text.startsWith(QStringLiteral("stopfuwu"))) {
        reply.kind = ReplyKind::Disabled;
        return reply;
    }
    if (text.startsWith(QStringLiteral("nzhuceyonghu"))) {
        reply.kind = ReplyKind::NotRegistered;
        reply.registrationCode = text.mid(12, 1);
        return reply;
    }
    if (!text.startsWith(QStringLiteral("dengluok")))
        return reply;

    reply.kind = ReplyKind::Success;
    reply.accountCode = text.mid(8, 1);
    const qsizetype first = text.indexOf(fieldSeparator);
    if (first >= 11)
        reply.replyDomain = text.mid(11, first - 11);
    const qsizetype second = first < 0 ? -1 : text.indexOf(fieldSeparator, first + fieldSeparator.size());
    if (second >= 0)
        reply.resolvedAddress =
            text.mid(first + fieldSeparator.size(), second - first - fieldSeparator.size());
    reply.expiry = between(text, QStringLiteral("sj"), QStringLiteral("end"));
    reply.hasExpiryMarkers = text.contains(QStringLiteral("sj")) && text.contains(QStringLiteral("end"));
    const qsizetype reminder = text.indexOf(QStringLiteral("###"));
    if (reminder >= 0)
        reply.reminderId = text.mid(reminder + 3, 1);
    return reply;
}

QString accountPage(const QString& serverHost, const Reply& reply, const CodePage& codePage)
{
    const QString page = QStringLiteral("http://") + serverHost + QStringLiteral("/tixing.asp?");
    if (reply.accountCode == QStringLiteral("9"))
        return page + QStringLiteral("aaa=stop");
    if (reply.accountCode == QStringLiteral("a") || reply.accountCode == QStringLiteral("b"))
        return page + QStringLiteral("id=") + reply.accountCode + QStringLiteral("&aaa=") +
               percentEncoded(reply.reminderId, codePage);
    return {};
}

QString registrationPage(const QString& serverHost, const QString& registrationCode, const QString& domain,
                         const QString& password, const CodePage& codePage)
{
    return QStringLiteral("http://") + serverHost + QStringLiteral("/kaitong1.asp?aaa=") +
           percentEncoded(registrationCode, codePage) + QStringLiteral("&login=") +
           percentEncoded(domain, codePage) + QStringLiteral("&passwd=") + percentEncoded(password, codePage);
}

} // namespace LoginExchange
