#include "desktop/BusEngine.h"

#include "engine/EngineAddress.h"
#include "engine/EngineService.h"

#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaProperty>

BusEngine::BusEngine(QDBusConnection bus, bool ownsEngine, QObject* parent)
    : QObject(parent), m_proxy(EngineAddress::serviceName, EngineAddress::objectPath, bus),
      m_actions(m_proxy, ownsEngine)
{
    registerEngineRecords();
    bus.connect(EngineAddress::serviceName, EngineAddress::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("PropertiesChanged"), this,
                SLOT(busPropertiesChanged(QString, QVariantMap, QStringList)));
    connect(&m_proxy, &Engine2Proxy::Event, this, &BusEngine::busEvent);
}

void BusEngine::takeSnapshot(std::function<void(bool ok, const QString& settingsFolder)> done)
{
    QDBusMessage getAll = QDBusMessage::createMethodCall(EngineAddress::serviceName, EngineAddress::objectPath,
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("GetAll"));
    getAll << EngineService::interfaceName;
    auto* properties = new QDBusPendingCallWatcher(m_proxy.connection().asyncCall(getAll), this);
    auto* events = new QDBusPendingCallWatcher(m_proxy.RecentEvents(EngineModel::keptEvents), this);
    connect(properties, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *call;
        if (reply.isValid())
            model.update(typed(reply.value()));
        m_propertiesReady = reply.isValid();
    });
    // Replies come in the order asked: the properties are in when the events come.
    connect(events, &QDBusPendingCallWatcher::finished, this, [this, done](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<EventRecords> reply = *call;
        if (reply.isValid())
            for (const EventRecord& event : reply.value())
                model.addEvent(event);
        m_eventsReady = reply.isValid();
        done(m_propertiesReady && m_eventsReady, model.valueAs<QString>("SettingsFolder"));
    });
}

void BusEngine::busPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
{
    if (m_propertiesReady && interface == EngineService::interfaceName)
        model.update(typed(changed));
}

void BusEngine::busEvent(qlonglong time, const QString& source, const QString& severity, const QString& text)
{
    if (m_eventsReady)
        model.addEvent({time, source, severity, text});
}

QVariantMap BusEngine::typed(const QVariantMap& properties)
{
    const QMetaObject& interface = Engine2Proxy::staticMetaObject;
    QVariantMap result;
    for (auto property = properties.begin(); property != properties.end(); ++property) {
        const int index = interface.indexOfProperty(property.key().toLatin1().constData());
        if (index < 0)
            continue;
        const QMetaType type = interface.property(index).metaType();
        QVariant value = property.value();
        if (value.metaType() == QMetaType::fromType<QDBusArgument>()) {
            QVariant demarshalled(type);
            if (!QDBusMetaType::demarshall(value.value<QDBusArgument>(), type, demarshalled.data()))
                continue;
            value = demarshalled;
        }
        if (value.metaType() != type && !value.convert(type))
            continue;
        result.insert(property.key(), value);
    }
    return result;
}
