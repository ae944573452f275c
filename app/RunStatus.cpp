#include "app/RunStatus.h"

#include <QStringList>

#include <algorithm>

namespace {

const QString loginPrefix = QStringLiteral("login: ");
const QString registeredWord = QStringLiteral("registered");

QString orUnknown(const QString& value)
{
    return value.isEmpty() ? QStringLiteral("unknown") : value;
}

} // namespace

QString RunStatus::text() const
{
    QStringList lines;
    for (auto login = logins.cbegin(); login != logins.cend(); ++login)
        lines << loginPrefix + login.key() + u' ' + login->time.toString(Qt::ISODate) + u' ' +
                     (login->registered ? registeredWord : login->result);
    if (logins.isEmpty())
        lines << QStringLiteral("login: none yet");
    lines << QStringLiteral("published address: ") + orUnknown(publishedAddress)
          << QStringLiteral("public address: ") + orUnknown(publicAddress)
          << QStringLiteral("router: ") + orUnknown(router)
          << QStringLiteral("router external address: ") + orUnknown(routerExternalAddress);
    for (const QString& line : mappings)
        lines << QStringLiteral("mapping: ") + line;
    if (mappings.isEmpty())
        lines << QStringLiteral("mapping: none");
    return lines.join(u'\n') + u'\n';
}

bool lastLoginsSucceeded(const QString& statusText)
{
    const QStringList lines = statusText.split(u'\n');
    return std::all_of(lines.cbegin(), lines.cend(), [](const QString& line) {
        return !line.startsWith(loginPrefix) || line == QStringLiteral("login: none yet") ||
               line.endsWith(u' ' + registeredWord);
    });
}
