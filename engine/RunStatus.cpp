#include "engine/RunStatus.h"

namespace {

const QString loginPrefix = QStringLiteral("login: ");
const QString noLoginYet = QStringLiteral("login: none yet");
const QString unansweredPrefix = QStringLiteral("no answer: ");
const QString sinceWord = QStringLiteral(" since ");
const QString registeredWord = QStringLiteral("registered");

QString orUnknown(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("unknown") : value;
}

// An address with the time that dates it, so that a monitor can tell which of two is newer.
QString dated(const QString& address, const QString& word, const QDateTime& time)
{
    return address.isEmpty() ? QStringLiteral("unknown") : address + word + time.toString(Qt::ISODate);
}

} // namespace

QString RunStatus::text() const
{
    QStringList lines;
    for (auto login = logins.cbegin(); login != logins.cend(); ++login)
        lines << loginPrefix + login.key() + u' ' + login->time.toString(Qt::ISODate) + u' ' +
                     (login->registered ? registeredWord : login->result);
    if (logins.isEmpty())
        lines << noLoginYet;
    for (auto server = unansweredSince.cbegin(); server != unansweredSince.cend(); ++server)
        lines << unansweredPrefix + server.key() + sinceWord + server->toString(Qt::ISODate);
    lines << QStringLiteral("published address: ") + dated(publishedAddress, sinceWord, publishedSince)
          << QStringLiteral("public address: ") +
                 dated(publicAddress, QStringLiteral(" seen "), publicAddressSeen)
          << QStringLiteral("router: ") + orUnknown(router)
          << QStringLiteral("router external address: ") + orUnknown(routerExternalAddress);
    for (const QString& line : mappings)
        lines << QStringLiteral("mapping: ") + line;
    if (mappings.isEmpty())
        lines << QStringLiteral("mapping: none");
    for (const QString& pinhole : pinholes)
        lines << QStringLiteral("IPv6 pinhole: ") + pinhole;
    return lines.join(u'\n') + u'\n';
}

StatusVerdict judgeStatus(const QString& statusText, const QDateTime& now)
{
    StatusVerdict verdict;
    for (const QString& line : statusText.split(u'\n')) {
        if (line == noLoginYet) {
            verdict.reasons << QStringLiteral("no login has succeeded yet");
        } else if (line.startsWith(loginPrefix) && !line.endsWith(u' ' + registeredWord)) {
            verdict.reasons << QStringLiteral("the last login failed: ") + line.mid(loginPrefix.size());
        } else if (line.startsWith(unansweredPrefix)) {
            const qsizetype since = line.lastIndexOf(sinceWord);
            const QDateTime sent = QDateTime::fromString(line.mid(since + sinceWord.size()), Qt::ISODate);
            if (since > 0 && (!sent.isValid() || sent.secsTo(now) >= unansweredAfterSeconds))
                verdict.reasons << QStringLiteral("no answer from %1 since %2")
                                       .arg(
                                           line.mid(unansweredPrefix.size(), since - unansweredPrefix.size()),
                                           sent.toString(QStringLiteral("HH:mm")));
        }
    }
    verdict.healthy = verdict.reasons.isEmpty();
    return verdict;
}
