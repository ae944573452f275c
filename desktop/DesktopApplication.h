#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// One desktop face per user: the first copy owns example.kelvane.Desktop on
// the session bus with the freedesktop application interface; a later copy
// asks it to show itself, and ends.
class DesktopApplication : public QObject
{
    Q_OBJECT

public:
    static const QString serviceName;
    static const QString objectPath;

    // `activate` shows the primary window; it may be set later.
    explicit DesktopApplication(QObject* parent = nullptr);
    std::function<void()> activate;

    // False when another copy owns the name (or there is no bus).
    bool publishOn(QDBusConnection bus);
};

// Asks the copy that owns the name to show itself; true when it did.
bool activateRunningDesktop(const QDBusConnection& bus);

// org.freedesktop.Application, as desktops and launchers call it.
class DesktopApplicationAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit DesktopApplicationAdaptor(DesktopApplication& application);

public slots:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& name, const QVariantList& parameter, const QVariantMap& platformData);

private:
    DesktopApplication& m_application;
};
