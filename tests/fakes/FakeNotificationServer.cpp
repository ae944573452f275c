#include "fakes/FakeNotificationServer.h"

bool FakeNotificationServer::serveOn(QDBusConnection bus)
{
    return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

uint FakeNotificationServer::Notify(const QString& appName, uint, const QString& icon, const QString& summary,
                                    const QString& body, const QStringList&, const QVariantMap&, int)
{
    notices << QStringList{appName, icon, summary, body}.join(u'|');
    emit noticed(notices.last());
    return uint(notices.size());
}
