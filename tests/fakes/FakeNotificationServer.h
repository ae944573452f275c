#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

// A desktop's notification centre (org.freedesktop.Notifications) on a bus a
// test started: it takes every notice and keeps each as one line.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    // "app|icon|summary|body", in the order they came.
    QStringList notices;

    // Takes the server's name and object on `bus`.
    bool serveOn(QDBusConnection bus);

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);

signals:
    void noticed(const QString& line);
};
