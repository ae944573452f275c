#include "app/EngineBus.h"

#include "app/Engine.h"
#include "app/StatusWatch.h"

#include <utility>

const QString EngineBus::serviceName = QStringLiteral("example.kelvane.Kelvane");
const QString EngineBus::objectPath = QStringLiteral("/example/kelvane/Kelvane");
const QString EngineBus::interfaceName = QStringLiteral("example.kelvane.Engine1");

EngineBus::EngineBus(QObject* host, Engine& engine, StatusWatch& status, QString settingsFolder)
    : QDBusAbstractAdaptor(host), m_engine(engine), m_status(status), m_settingsFolder(std::move(settingsFolder))
{
    LoginEngine& logins = engine.logins;
    connect(&logins, &LoginEngine::logLineSet, this, &EngineBus::LogLineSet);
    connect(&logins, &LoginEngine::logLineAppended, this, &EngineBus::LogLineAppended);
    connect(&logins, &LoginEngine::statusChanged, this, &EngineBus::StatusBarChanged);
    MappingKeeper& keeper = engine.mappingKeeper;
    connect(&keeper, &MappingKeeper::logged, this, &EngineBus::PortMappingLogged);
    connect(&keeper, &MappingKeeper::linesChanged, this, &EngineBus::MappingsChanged);
    connect(&keeper, &MappingKeeper::externalAddressChanged, this, &EngineBus::RouterExternalAddressChanged);
    connect(&status, &StatusWatch::textChanged, this, &EngineBus::StatusTextChanged);
}

QStringList EngineBus::logLines() const
{
    return m_engine.logins.logLines();
}

QString EngineBus::statusBar() const
{
    return m_engine.logins.status();
}

QStringList EngineBus::mappings() const
{
    return m_engine.mappingKeeper.lines();
}

QString EngineBus::routerExternalAddress() const
{
    return m_engine.mappingKeeper.externalAddress();
}

QString EngineBus::statusText() const
{
    return m_status.text();
}

void EngineBus::LogIn(const QString& domain, const QString& password)
{
    m_engine.logins.logIn(domain, password);
}

void EngineBus::AddListEntry(const QString& domain, const QString& password)
{
    m_engine.logins.addListEntry(domain, password);
}

void EngineBus::RemoveListEntry(const QString& line)
{
    m_engine.logins.removeListEntry(line);
}

void EngineBus::AddMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                           const QString& localPort)
{
    m_engine.mappingKeeper.execute({MappingKeeper::Action::Add, protocol, publicPort, internalClient, localPort});
}

void EngineBus::DeleteMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                              const QString& localPort)
{
    m_engine.mappingKeeper.execute(
        {MappingKeeper::Action::Delete, protocol, publicPort, internalClient, localPort});
}

void EngineBus::ReapplyMappings()
{
    m_engine.mappingKeeper.reapplyAll();
}

QStringList EngineBus::ListRouterMappings(const QDBusMessage& message)
{
    message.setDelayedReply(true);
    m_engine.mappingKeeper.listRouterMappings([this, message](const QStringList& lines) {
        if (m_bus)
            m_bus->send(message.createReply(lines));
    });
    return {};
}

bool publishEngine(QDBusConnection bus, QObject& host)
{
    auto* adaptor = host.findChild<EngineBus*>();
    if (!adaptor || !bus.isConnected())
        return false;
    adaptor->m_bus = bus;
    if (!bus.registerObject(EngineBus::objectPath, &host, QDBusConnection::ExportAdaptors))
        return false;
    if (bus.registerService(EngineBus::serviceName))
        return true;
    bus.unregisterObject(EngineBus::objectPath);
    adaptor->m_bus.reset();
    return false;
}
