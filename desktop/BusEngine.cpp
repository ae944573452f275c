#include "desktop/BusEngine.h"

#include "Engine2Proxy.h"
#include "engine/EngineAddress.h"
#include "engine/EngineService.h"
#include "messages/FaceMessages.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDateTime>
#include <QDir>
#include <QMetaProperty>

#include <algorithm>

namespace {

// The face's own connection once the session bus it started with is gone.
const QString reconnection = QStringLiteral("kelvane-face");

} // namespace

BusEngine::BusEngine(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(bus), m_actions([this] { return m_engineThere ? m_proxy.get() : nullptr; })
{
    registerEngineRecords();
    follow(std::move(bus));
    connect(&m_busCheck, &QTimer::timeout, this, &BusEngine::checkBus);
}

BusEngine::~BusEngine() = default;

void BusEngine::follow(QDBusConnection bus)
{
    m_bus = bus;
    m_propertiesReady = false;
    m_eventsReady = false;
    m_proxy = std::make_unique<Engine2Proxy>(EngineAddress::serviceName, EngineAddress::objectPath, bus);
    bus.connect(EngineAddress::serviceName, EngineAddress::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                QStringLiteral("PropertiesChanged"), this,
                SLOT(busPropertiesChanged(QString, QVariantMap, QStringList)));
    connect(m_proxy.get(), &Engine2Proxy::Event, this, &BusEngine::busEvent);
    delete m_engineWatch;
    m_engineWatch = new QDBusServiceWatcher(EngineAddress::serviceName, bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_engineWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& owner) {
                if (!m_following)
                    return;
                if (owner.isEmpty())
                    engineGone();
                else
                    attachAgain();
            });
}

void BusEngine::takeSnapshot(std::function<void(bool ok, const QString& settingsFolder)> done)
{
    QDBusMessage getAll = QDBusMessage::createMethodCall(EngineAddress::serviceName, EngineAddress::objectPath,
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("GetAll"));
    getAll << EngineService::interfaceName;
    auto* properties = new QDBusPendingCallWatcher(m_bus.asyncCall(getAll), this);
    auto* events = new QDBusPendingCallWatcher(m_proxy->RecentEvents(EngineModel::keptEvents), this);
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
        // Attached again, the events already shown are not shown twice.
        const EventRecords known = model.events();
        if (reply.isValid())
            for (const EventRecord& event : reply.value())
                if (!std::count(known.begin(), known.end(), event))
                    model.addEvent(event);
        m_eventsReady = reply.isValid();
        done(m_propertiesReady && m_eventsReady, model.valueAs<QString>("SettingsFolder"));
    });
}

void BusEngine::stayAttached(QString settingsFolder, LanguageCode language, std::function<bool()> startEngine)
{
    m_settingsFolder = std::move(settingsFolder);
    m_language = language;
    m_startEngine = std::move(startEngine);
    m_following = true;
    m_proxy->Attach();
    m_busCheck.start(busCheckMs);
}

void BusEngine::startService()
{
    if (m_startEngine && m_startEngine())
        say(Messages::Face::engineRestarting(m_language));
}

// One started for a desktop is this face's to start again; the user's
// service stays stopped until the user starts it.
void BusEngine::engineGone()
{
    m_engineThere = false;
    m_propertiesReady = false;
    m_eventsReady = false;
    if (model.valueAs<QString>("StartedFor") == QStringLiteral("desktop")) {
        say(Messages::Face::engineRestarting(m_language));
        if (m_startEngine)
            m_startEngine();
        return;
    }
    say(Messages::Face::serviceStopped(m_language));
    setServiceStopped(true);
}

void BusEngine::attachAgain()
{
    takeSnapshot([this](bool ok, const QString& folder) {
        if (!ok || QDir::cleanPath(folder) != QDir::cleanPath(m_settingsFolder))
            return;
        m_engineThere = true;
        m_proxy->Attach();
        setServiceStopped(false);
        say(Messages::Face::attachedAgain(m_language));
    });
}

// No signal says that the bus went away: it is looked at.
void BusEngine::checkBus()
{
    if (m_bus.isConnected())
        return;
    if (!m_busLost) {
        m_busLost = true;
        m_engineThere = false;
        say(Messages::Face::busLost(m_language));
    }
    QDBusConnection::disconnectFromBus(reconnection);
    const QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, reconnection);
    if (!bus.isConnected())
        return;
    m_busLost = false;
    follow(bus);
    emit busReplaced(bus);
    if (bus.interface()->isServiceRegistered(EngineAddress::serviceName))
        attachAgain();
    else
        engineGone();
}

void BusEngine::say(const QString& text)
{
    model.addEvent({QDateTime::currentSecsSinceEpoch(), QStringLiteral("status"), QStringLiteral("info"), text});
}

void BusEngine::setServiceStopped(bool stopped)
{
    if (stopped == m_serviceStopped)
        return;
    m_serviceStopped = stopped;
    emit serviceStoppedChanged(stopped);
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
