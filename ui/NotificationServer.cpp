#include "ui/NotificationServer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace {

// A server that takes longer has hung; the tray says it instead.
constexpr int answerTimeoutMs = 5000;
// The server's own default for how long a notice stays.
constexpr int serverDefaultExpiry = -1;

} // namespace

NotificationServer::NotificationServer(QDBusConnection bus, const QString& appName, const QString& iconName,
                                       QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_appName(appName), m_iconName(iconName)
{
}

void NotificationServer::notify(const QString& summary, const QString& body, Done done)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << m_appName << 0u << m_iconName << summary << body << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("kelvane")}} << serverDefaultExpiry;
    // Without a bus the call fails at once, and the watcher still answers later.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, answerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                done(!w->isError());
            });
}
