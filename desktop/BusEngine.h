#pragma once

#include "desktop/ProxyActions.h"
#include "engine/EngineModel.h"
#include "Engine2Proxy.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>

// The engine of another process, on the session bus, for the windows: its
// state in the model, from one snapshot on and then as PropertiesChanged and
// its Event signal tell it, and the proxy the actions go through.
class BusEngine : public QObject
{
    Q_OBJECT

public:
    // Subscribes at once: nothing that changes after the snapshot is missed.
    BusEngine(QDBusConnection bus, bool ownsEngine, QObject* parent = nullptr);

    // The properties, then the recent events; `done` says whether both came,
    // and with them the settings folder of the engine.
    void takeSnapshot(std::function<void(bool ok, const QString& settingsFolder)> done);

    EngineModel model;
    EngineActions& actions() { return m_actions; }

private slots:
    void busPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);
    void busEvent(qlonglong time, const QString& source, const QString& severity, const QString& text);

private:
    // The values as the interface types them; a value of the wrong type is dropped.
    static QVariantMap typed(const QVariantMap& properties);

    Engine2Proxy m_proxy;
    ProxyActions m_actions;
    bool m_propertiesReady = false; // those before the snapshot are in it
    bool m_eventsReady = false;
};
