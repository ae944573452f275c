#include "engine/EngineBus.h"

#include "engine/EngineAddress.h"
#include "engine/EngineService.h"
#include "engine/KeeperView.h"
#include "engine/LoginsView.h"
#include "engine/StatusWatch.h"

#include <QCoreApplication>

#include <utility>

const QString EngineBus::interfaceName = QStringLiteral("example.kelvane.Engine1");

EngineBus::EngineBus(QObject* host, LoginsView& logins, KeeperView& keeper, StatusWatch& status,
                     QString settingsFolder)
    : QDBusAbstractAdaptor(host), m_logins(logins), m_keeper(keeper), m_status(status),
      m_settingsFolder(std::move(settingsFolder))
{
    connect(&logins, &LoginsView::logLineSet, this, &EngineBus::LogLineSet);
    connect(&logins, &LoginsView::logLineAppended, this, &EngineBus::LogLineAppended);
    connect(&logins, &LoginsView::statusChanged, this, &EngineBus::StatusBarChanged);
    connect(&logins, &LoginsView::credentialsChanged, this,
            [this](const QString& domain) { emit CredentialsChanged(domain); });
    connect(&logins, &LoginsView::localAddressChanged, this, &EngineBus::LocalAddressChanged);
    connect(&logins, &LoginsView::publishedAddressChanged, this, &EngineBus::PublishedAddressChanged);
    connect(&logins, &LoginsView::multiUserLinesChanged, this, &EngineBus::MultiUserLinesChanged);
    connect(&logins, &LoginsView::optionsChanged, this, &EngineBus::tellOptions);
    connect(&logins, &LoginsView::reloginWanted, this, &EngineBus::ReloginWanted);
    connect(&logins, &LoginsView::loginUnanswered, this, &EngineBus::LoginUnanswered);
    connect(&logins, &LoginsView::domainRefused, this, &EngineBus::DomainRefused);
    connect(&keeper, &KeeperView::logged, this, &EngineBus::PortMappingLogged);
    connect(&keeper, &KeeperView::linesChanged, this, &EngineBus::MappingsChanged);
    connect(&keeper, &KeeperView::externalAddressChanged, this, &EngineBus::RouterExternalAddressChanged);
    connect(&keeper, &KeeperView::internalClientChanged, this, &EngineBus::InternalClientChanged);
    connect(&keeper, &KeeperView::statusChanged, this, [this] {
        emit MappingStatusChanged(routerLabel(), resultLabel(), executeEnabled(), reapplyEnabled());
    });
    connect(&keeper, &KeeperView::addRefused, this, &EngineBus::MappingRefused);
    connect(&keeper, &KeeperView::fileWritten, this, [this](const QString& file, const WriteResult& result) {
        if (!result.ok())
            emit MappingFileWriteFailed(file, result.error);
    });
    connect(&status, &StatusWatch::textChanged, this, &EngineBus::StatusTextChanged);
}

QStringList EngineBus::logLines() const
{
    return m_logins.logLines();
}

QString EngineBus::statusBar() const
{
    return m_logins.status();
}

QString EngineBus::domain() const
{
    return m_logins.domain();
}

QString EngineBus::localAddress() const
{
    return m_logins.localAddress();
}

QString EngineBus::publishedAddress() const
{
    return m_logins.publishedAddress();
}

QStringList EngineBus::multiUserLines() const
{
    return m_logins.multiUserLines();
}

bool EngineBus::autoLogin() const
{
    return m_logins.autoLogin();
}

bool EngineBus::multiUser() const
{
    return m_logins.multiUserOn();
}

bool EngineBus::resolveLocal() const
{
    return m_logins.resolveLocalTicked();
}

bool EngineBus::fixedAddress() const
{
    return m_logins.fixedAddressOn();
}

QStringList EngineBus::mappings() const
{
    return m_keeper.lines();
}

QString EngineBus::routerExternalAddress() const
{
    return m_keeper.externalAddress();
}

QString EngineBus::internalClient() const
{
    return m_keeper.internalClient();
}

QString EngineBus::routerLabel() const
{
    return m_keeper.routerLabel();
}

QString EngineBus::resultLabel() const
{
    return m_keeper.resultLabel();
}

bool EngineBus::executeEnabled() const
{
    return m_keeper.executeEnabled();
}

bool EngineBus::reapplyEnabled() const
{
    return m_keeper.reapplyEnabled();
}

QString EngineBus::statusText() const
{
    return m_status.text();
}

void EngineBus::LogIn(const QString& domain, const QString& password)
{
    m_logins.logIn(domain, password);
}

void EngineBus::SetFormCredentials(const QString& domain, const QString& password)
{
    m_logins.setFormCredentials(domain, password);
}

void EngineBus::SetAutoLogin(bool on)
{
    m_logins.setAutoLogin(on);
    tellOptions();
}

void EngineBus::SetMultiUser(bool on)
{
    m_logins.setMultiUserOption(on);
    tellOptions();
}

void EngineBus::SetRunHidden(bool on)
{
    m_logins.setRunHiddenOption(on);
    tellOptions();
}

void EngineBus::SetResolveLocal(bool on)
{
    m_logins.setResolveLocalOption(on);
    tellOptions();
}

void EngineBus::SetFixedAddress(bool on, const QString& address)
{
    m_logins.setFixedAddressOption(on ? std::optional<QString>(address) : std::nullopt);
    tellOptions();
}

// A window shows its own ticks; every other face learns of them here.
void EngineBus::tellOptions()
{
    emit OptionsChanged(autoLogin(), multiUser(), resolveLocal(), fixedAddress());
}

void EngineBus::AddListEntry(const QString& domain, const QString& password)
{
    m_logins.addListEntry(domain, password);
}

void EngineBus::RemoveListEntry(const QString& line)
{
    m_logins.removeListEntry(line);
}

void EngineBus::ShowStatus(const QString& text)
{
    m_logins.setStatus(text);
}

void EngineBus::AddMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                           const QString& localPort)
{
    m_keeper.execute({MappingKeeper::Action::Add, protocol, publicPort, internalClient, localPort});
}

void EngineBus::DeleteMapping(const QString& protocol, const QString& publicPort, const QString& internalClient,
                              const QString& localPort)
{
    m_keeper.execute({MappingKeeper::Action::Delete, protocol, publicPort, internalClient, localPort});
}

void EngineBus::ReapplyMappings()
{
    m_keeper.reapplyAll();
}

void EngineBus::SetMappings(const QStringList& lines)
{
    m_keeper.setLines(lines);
}

void EngineBus::SetAddressCheck(bool on, const QString& seconds)
{
    m_keeper.setAddressCheck(on, seconds);
}

void EngineBus::SaveAddressCheckInterval(const QString& seconds)
{
    m_keeper.saveAddressCheckInterval(seconds);
}

QStringList EngineBus::ListRouterMappings(const QDBusMessage& message)
{
    message.setDelayedReply(true);
    m_keeper.listRouterMappings([this, message](const QStringList& lines) {
        if (m_bus)
            m_bus->send(message.createReply(lines));
    });
    return {};
}

void EngineBus::Quit()
{
    m_logins.endSession();
    QCoreApplication::exit(0);
}

QDBusMessage engineMethodCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(EngineAddress::serviceName, EngineAddress::objectPath,
                                                          EngineBus::interfaceName, method);
    message.setArguments(arguments);
    return message;
}

void callEngine(QDBusConnection& bus, const QString& method, const QVariantList& arguments)
{
    bus.send(engineMethodCall(method, arguments));
}

void followEngine(QDBusConnection& bus, const char* name, QObject* receiver, const char* slot)
{
    bus.connect(EngineAddress::serviceName, EngineAddress::objectPath, EngineBus::interfaceName, QString::fromLatin1(name),
                receiver, slot);
}

bool publishEngine(QDBusConnection bus, QObject& host)
{
    auto* adaptor = host.findChild<EngineBus*>();
    auto* service = qobject_cast<EngineService*>(&host);
    if ((!adaptor && !service) || !bus.isConnected())
        return false;
    if (!bus.registerObject(EngineAddress::objectPath, &host, QDBusConnection::ExportAdaptors))
        return false;
    if (!bus.registerService(EngineAddress::serviceName)) {
        bus.unregisterObject(EngineAddress::objectPath);
        return false;
    }
    if (adaptor)
        adaptor->m_bus = bus;
    if (service)
        service->publishOn(bus);
    return true;
}
