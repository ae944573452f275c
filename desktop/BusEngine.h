#pragma once

#include "desktop/ProxyActions.h"
#include "engine/EngineModel.h"
#include "messages/LanguageCode.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class Engine2Proxy;
class QDBusServiceWatcher;

// The engine of another process, on the session bus, for the windows: its
// state in the model, from one snapshot on and then as PropertiesChanged and
// its Event signal tell it, and the proxy the actions go through. Once
// attached it stays so: an engine that goes and comes back, or a bus that
// is restarted, is attached again in place, and the windows stay as they are.
class BusEngine : public QObject
{
    Q_OBJECT

public:
    static constexpr int busCheckMs = 2000;

    // Subscribes at once: nothing that changes after the snapshot is missed.
    BusEngine(QDBusConnection bus, QObject* parent = nullptr);
    ~BusEngine() override;

    // The properties, then the recent events; `done` says whether both came,
    // and with them the settings folder of the engine.
    void takeSnapshot(std::function<void(bool ok, const QString& settingsFolder)> done);

    // From now on it follows the engine and the bus. `startEngine` starts an
    // engine for the desktop, as when none ran at start.
    void stayAttached(QString settingsFolder, LanguageCode language, std::function<bool()> startEngine);
    // Whether the engine shown is the user's service, stopped now.
    bool serviceStopped() const { return m_serviceStopped; }
    // The user asks for the stopped service.
    void startService();

    EngineModel model;
    EngineActions& actions() { return m_actions; }

signals:
    void serviceStoppedChanged(bool stopped);
    // The session bus was restarted: this is the new one.
    void busReplaced(const QDBusConnection& bus);

private slots:
    void busPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);
    void busEvent(qlonglong time, const QString& source, const QString& severity, const QString& text);

private:
    void follow(QDBusConnection bus);
    void engineGone();
    void attachAgain();
    void checkBus();
    void say(const QString& text);
    void setServiceStopped(bool stopped);
    // The values as the interface types them; a value of the wrong type is dropped.
    static QVariantMap typed(const QVariantMap& properties);

    QDBusConnection m_bus;
    std::unique_ptr<Engine2Proxy> m_proxy;
    ProxyActions m_actions;
    bool m_propertiesReady = false; // those before the snapshot are in it
    bool m_eventsReady = false;
    // Following, once attached.
    bool m_following = false;
    QString m_settingsFolder;
    LanguageCode m_language = LanguageCode::Jt;
    std::function<bool()> m_startEngine;
    QDBusServiceWatcher* m_engineWatch = nullptr;
    bool m_engineThere = true;
    bool m_busLost = false;
    bool m_serviceStopped = false;
    QTimer m_busCheck;
};
