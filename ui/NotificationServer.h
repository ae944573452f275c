#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

// The desktop's own notification centre (org.freedesktop.Notifications on
// the session bus), which keeps notices in its history whatever the tray.
// Asked without waiting; a server that is started on demand is started by the bus.
class NotificationServer : public QObject
{
    Q_OBJECT

public:
    // Gets whether a server took the notice; called later, never from within notify().
    using Done = std::function<void(bool taken)>;

    NotificationServer(QDBusConnection bus, const QString& appName, const QString& iconName,
                       QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, Done done);

private:
    QDBusConnection m_bus;
    QString m_appName;
    QString m_iconName;
};
