#include "ui/TrayStatus.h"

#include "messages/TrayMessages.h"
#include "ui/AppIcon.h"

#include <QHostAddress>

#include <algorithm>
#include <optional>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void initTrayResources()
{
    Q_INIT_RESOURCE(tray);
}

namespace {

const QString primary = QStringLiteral("primary");
const QString secondary = QStringLiteral("secondary");

struct LookIcon
{
    TrayLook look;
    const char* themeName;
    const char* packaged;
};

// Names from freedesktop's icon naming list, which every theme
// draws in its own style; the packaged ones where a theme lacks them.
constexpr LookIcon lookIcons[] = {
    {TrayLook::LoggedIn, "network-idle", ":/tray/tray-logged-in.png"},
    {TrayLook::Trying, "network-transmit-receive", ":/tray/tray-trying.png"},
    {TrayLook::Failing, "network-error", ":/tray/tray-failing.png"},
    {TrayLook::NoRouter, "network-offline", ":/tray/tray-no-router.png"},
    {TrayLook::ServiceStopped, "process-stop", ":/tray/tray-stopped.png"},
};

const LookIcon* lookIconOf(TrayLook look)
{
    const auto found = std::find_if(std::begin(lookIcons), std::end(lookIcons),
                                    [look](const LookIcon& entry) { return entry.look == look; });
    return found == std::end(lookIcons) ? nullptr : found;
}

// The login domain's record of `server`, else the newest one it has.
std::optional<LoginRecord> recordOf(const TrayFacts& facts, const QString& server)
{
    std::optional<LoginRecord> result;
    for (const LoginRecord& record : facts.logins) {
        if (record.server != server)
            continue;
        if (record.domain.compare(facts.domain, Qt::CaseInsensitive) == 0)
            return record;
        result = record;
    }
    return result;
}

bool routerMissing(const QString& state)
{
    return state == QLatin1String("not-found") || state == QLatin1String("unusable");
}

// The engine's text, shown only as an address: a tooltip may render markup.
QString addressText(const QString& text)
{
    const QHostAddress address(text);
    return address.isNull() ? QString() : address.toString();
}

} // namespace

TrayLook trayLookOf(const TrayFacts& facts)
{
    if (facts.serviceStopped)
        return TrayLook::ServiceStopped;
    bool registered = false;
    bool trying = false;
    for (const QString& server : {primary, secondary}) {
        const std::optional<LoginRecord> record = recordOf(facts, server);
        if (!record)
            continue;
        if (record->state == QLatin1String("refused"))
            return TrayLook::Failing;
        registered = registered || record->state == QLatin1String("registered");
        trying = trying || record->state == QLatin1String("logging-in") ||
                 record->state == QLatin1String("unanswered");
    }
    // A domain one server published is reached, whatever the other does.
    if (trying && !registered)
        return TrayLook::Trying;
    if (routerMissing(facts.routerState))
        return TrayLook::NoRouter;
    return registered ? TrayLook::LoggedIn : TrayLook::Plain;
}

QIcon trayIcon(TrayLook look)
{
    static const bool initialised = (initTrayResources(), true);
    Q_UNUSED(initialised);
    const LookIcon* entry = lookIconOf(look);
    if (!entry)
        return appIcon();
    return QIcon::fromTheme(QString::fromLatin1(entry->themeName), QIcon(QString::fromLatin1(entry->packaged)));
}

QString trayToolTip(const TrayFacts& facts, LanguageCode language)
{
    QStringList lines{QStringLiteral("vore2008")};
    if (facts.serviceStopped)
        return (lines << Messages::Tray::serviceStopped(language)).join(u'\n');
    for (const QString& server : {primary, secondary}) {
        const LoginRecord record = recordOf(facts, server).value_or(LoginRecord{server, facts.domain, {}, {}, 0, {}});
        QString line = Messages::Tray::serverName(language, server) + QStringLiteral(": ") +
                       Messages::Tray::loginState(language, record.state);
        if (record.state == QLatin1String("registered") && !addressText(record.address).isEmpty())
            line += u' ' + addressText(record.address);
        lines << line;
    }
    // Before the first search is told, it is searching.
    QString router = Messages::Tray::routerLabel(language) + QStringLiteral(": ") +
                     Messages::Tray::routerState(language, facts.routerState);
    if (facts.routerState == QLatin1String("found") && !addressText(facts.routerAddress).isEmpty())
        router += u' ' + addressText(facts.routerAddress);
    lines << router;
    return lines.join(u'\n');
}
