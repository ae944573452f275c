#include "engine/EngineService.h"

#include "engine/Engine.h"
#include "engine/EngineAddress.h"
#include "engine/StatusWatch.h"
#include "Engine2Adaptor.h"
#include "platform/Platform.h"
#include "portmap/MappingLabels.h"
#include "portmap/MappingLine.h"
#include "settings/InputRules.h"
#include "settings/MultiUserList.h"
#include "settings/SettingsLines.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QMetaProperty>

#include <algorithm>
#include <utility>

namespace {

const QString invalidArgument = QStringLiteral("example.kelvane.Error.InvalidArgument");
const QString busy = QStringLiteral("example.kelvane.Error.Busy");
const QString failed = QStringLiteral("example.kelvane.Error.Failed");
const QString writeFailed = QStringLiteral("example.kelvane.Error.WriteFailed");

QString firstProblem(std::initializer_list<QString> problems)
{
    for (const QString& problem : problems)
        if (!problem.isEmpty())
            return problem;
    return {};
}

} // namespace

const QString EngineService::interfaceName = QStringLiteral("example.kelvane.Engine2");

EngineService::EngineService(Engine& engine, const StatusWatch& status, const Platform& platform,
                             QString settingsFolder, QObject* parent)
    : QObject(parent), m_engine(engine), m_status(status), m_clock(platform.clock), m_languageId(platform.language.languageId()),
      m_settingsFolder(std::move(settingsFolder)), m_logins(engine.logins, platform.clock)
{
    registerEngineRecords();
    new Engine2Adaptor(this);
    LoginEngine& logins = engine.logins;
    MappingKeeper& keeper = engine.mappingKeeper;
    // What the log says already, from the engine's start: a face shows it.
    const QStringList lines = logins.logLines();
    for (int line = 0; line < lines.size(); ++line)
        record(line < 3 ? sourceOfLogLine(line) : QStringLiteral("history"), QStringLiteral("info"), lines.at(line));
    if (!logins.status().isEmpty())
        record(QStringLiteral("status"), QStringLiteral("info"), logins.status());
    connect(&logins, &LoginEngine::logLineSet, this,
            [this](int index, const QString& text) { record(sourceOfLogLine(index), QStringLiteral("info"), text); });
    connect(&logins, &LoginEngine::logLineAppended, this,
            [this](const QString& text) { record(QStringLiteral("history"), QStringLiteral("info"), text); });
    connect(&logins, &LoginEngine::statusChanged, this,
            [this](const QString& text) { record(QStringLiteral("status"), QStringLiteral("info"), text); });
    connect(&keeper, &MappingKeeper::logged, this,
            [this](const QString& line) { record(QStringLiteral("router"), QStringLiteral("info"), line); });
    connect(&keeper, &MappingKeeper::addRefused, this,
            [this](const QString& text) { record(QStringLiteral("router"), QStringLiteral("warning"), text); });
    connect(&keeper, &MappingKeeper::fileWritten, this, [this](const QString& file, const WriteResult& result) {
        if (!result.ok())
            record(QStringLiteral("router"), QStringLiteral("error"),
                   QFileInfo(file).fileName() + QStringLiteral(": ") + result.error);
    });

    LoginSession& primary = logins.primary();
    connect(&primary, &LoginSession::localAddressChanged, this, [this](const QString& address) {
        m_localAddress = address;
        announceChanges();
    });
    connect(&status, &StatusWatch::textChanged, this, &EngineService::announceChanges);
    connect(&keeper, &MappingKeeper::mappingAdded, this, [this](const QString& line) {
        if (const auto ports = MappingLine::ports(line)) {
            if (!m_applied.contains(MappingLine::key(*ports)))
                m_applied << MappingLine::key(*ports);
            m_refusals.remove(MappingLine::key(*ports));
        }
        announceChanges();
    });
    connect(&keeper, &MappingKeeper::mappingRefused, this, [this](const QString& line, const QString& reason) {
        if (const auto ports = MappingLine::ports(line)) {
            m_applied.removeAll(MappingLine::key(*ports));
            m_refusals.insert(MappingLine::key(*ports), reason);
        }
        announceChanges();
    });
    connect(&keeper, &MappingKeeper::mappingDeleted, this, [this](const QString& line) {
        if (const auto ports = MappingLine::ports(line))
            m_applied.removeAll(MappingLine::key(*ports));
        announceChanges();
    });
    connect(&keeper, &MappingKeeper::statusChanged, this, [this] {
        runWaitingChanges();
        announceChanges();
    });
    connect(&keeper, &MappingKeeper::externalAddressChanged, this, &EngineService::announceChanges);
    connect(&keeper, &MappingKeeper::internalClientChanged, this, &EngineService::announceChanges);
    connect(&keeper, &MappingKeeper::linesChanged, this, &EngineService::announceChanges);
    connect(&keeper.pinholes(), &MappingPinholes::changed, this, &EngineService::announceChanges);
    connect(&logins, &LoginEngine::optionsChanged, this, &EngineService::announceChanges);
    connect(&engine.state, &ClientState::autoLoginChanged, this, &EngineService::announceChanges);
    connect(&engine.state, &ClientState::multiUserLinesChanged, this, &EngineService::announceChanges);
    connect(&m_logins, &LoginRecordsWatch::changed, this, &EngineService::announceChanges);
    connect(&primary, &LoginSession::credentialsChanged, this, &EngineService::announceChanges);
    m_announced = properties();
}

bool EngineService::publishOn(QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.registerObject(EngineAddress::objectPath, this, QDBusConnection::ExportAdaptors))
        return false;
    if (!bus.registerService(EngineAddress::serviceName)) {
        bus.unregisterObject(EngineAddress::objectPath);
        return false;
    }
    m_bus = bus;
    // Faces of the bus before are gone with it.
    m_faces.clear();
    delete m_faceWatch;
    m_faceWatch = new QDBusServiceWatcher(QString(), bus, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_faceWatch, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString& face) {
        m_faces.removeAll(face);
        m_faceWatch->removeWatchedService(face);
        emit facesChanged();
    });
    emit facesChanged();
    return true;
}

QString EngineService::domain() const
{
    return m_engine.logins.primary().domain().trimmed();
}

QString EngineService::publishedAddress() const
{
    return m_status.status().publishedAddress;
}

qlonglong EngineService::publishedAt() const
{
    return seconds(m_status.status().publishedSince);
}

QString EngineService::publicAddress() const
{
    return m_status.status().publicAddress;
}

qlonglong EngineService::publicAddressSeenAt() const
{
    return seconds(m_status.status().publicAddressSeen);
}

QString EngineService::routerExternalAddress() const
{
    const ClientState& state = m_engine.state;
    return state.routerAddressKnown() ? state.routerExternalAddress() : QString();
}

bool EngineService::carrierNat() const
{
    return m_engine.logins.checks().routerBehindAnotherNat();
}

QString EngineService::routerProtocol() const
{
    return m_engine.mappingKeeper.routerProtocol();
}

QString EngineService::routerAddress() const
{
    return routerProtocol().isEmpty() ? QString() : m_engine.mappingKeeper.routerAddress();
}

QString EngineService::routerName() const
{
    return m_engine.mappingKeeper.routerName();
}

bool EngineService::routerReachable() const
{
    return !routerProtocol().isEmpty() && m_engine.state.routerAnswering();
}

QString EngineService::routerState() const
{
    return MappingLabels::nameOf(m_engine.mappingKeeper.routerSeen());
}

QString EngineService::internalClient() const
{
    return m_engine.mappingKeeper.internalClient();
}

QString EngineService::mappingOutcome() const
{
    return MappingLabels::nameOf(m_engine.mappingKeeper.outcome().kind);
}

int EngineService::mappingOutcomeCode() const
{
    return m_engine.mappingKeeper.outcome().code;
}

QString EngineService::mappingOutcomeText() const
{
    return m_engine.mappingKeeper.outcome().text;
}

bool EngineService::mappingChangeReady() const
{
    return m_engine.mappingKeeper.executeEnabled();
}

bool EngineService::reapplyReady() const
{
    return m_engine.mappingKeeper.reapplyEnabled();
}

QStringList EngineService::mappingLines() const
{
    return m_engine.mappingKeeper.lines();
}

PinholeRecords EngineService::pinholes() const
{
    PinholeRecords records;
    for (const MappingPinholes::Pinhole& pinhole : m_engine.mappingKeeper.pinholes().pinholes())
        records << PinholeRecord{pinhole.protocol, quint16(pinhole.localPort), pinhole.address,
                                 MappingPinholes::stateName(pinhole.state)};
    return records;
}

bool EngineService::ipv6Pinholes() const
{
    return m_engine.mappingKeeper.pinholes().enabled();
}

MappingRecords EngineService::mappings() const
{
    MappingRecords records;
    const MappingKeeper& keeper = m_engine.mappingKeeper;
    for (const QString& line : keeper.lines()) {
        const auto ports = MappingLine::ports(line);
        if (!ports)
            continue;
        const QString key = MappingLine::key(*ports);
        const QString holder = keeper.portsHeldByOthers().value(key);
        const QString refusal = m_refusals.value(key);
        const QString state = m_applied.contains(key) ? QStringLiteral("applied")
                              : !holder.isEmpty()     ? QStringLiteral("held")
                              : !refusal.isEmpty()    ? QStringLiteral("refused")
                                                      : QStringLiteral("pending");
        records << MappingRecord{ports->protocol,
                                 quint16(ports->publicPort),
                                 ports->localAddress,
                                 quint16(ports->localPort),
                                 MappingKeeper::mappingDescription,
                                 state,
                                 holder.isEmpty() ? refusal : QStringLiteral("held by ") + holder};
    }
    return records;
}

bool EngineService::autoLogin() const
{
    return m_engine.state.autoLogin();
}

bool EngineService::multiUser() const
{
    return m_engine.state.settingOn(SettingsLine::MultiUser);
}

bool EngineService::runHidden() const
{
    return m_engine.state.settingOn(SettingsLine::RunHidden);
}

bool EngineService::resolveLocal() const
{
    return m_engine.state.resolveLocalTicked();
}

bool EngineService::fixedAddressOn() const
{
    return m_engine.state.fixedAddress().has_value();
}

QString EngineService::fixedAddress() const
{
    return m_engine.state.fixedAddress().value_or(QString());
}

bool EngineService::addressCheck() const
{
    return m_engine.mappingKeeper.addressCheckTimer.isRunning();
}

uint EngineService::addressCheckSeconds() const
{
    return uint(m_engine.mappingKeeper.intervalLines().value(0).trimmed().toUInt());
}

QStringList EngineService::multiUserDomains() const
{
    QStringList domains;
    for (const QString& line : m_engine.state.multiUserLines())
        domains << MultiUserList::entryDomain(line);
    return domains;
}

void EngineService::LogIn(const QString& domain, const QString& password)
{
    if (admitted(firstProblem({InputRules::domainProblem(domain), InputRules::passwordProblem(password, m_languageId)})))
        m_engine.logins.logIn(domain.trimmed(), password);
}

void EngineService::SaveLogin(const QString& domain, const QString& password)
{
    if (!admitted(firstProblem({InputRules::domainProblem(domain), InputRules::passwordProblem(password, m_languageId)})))
        return;
    m_engine.logins.setFormCredentials(domain.trimmed(), password);
    m_engine.logins.setAutoLogin(true);
}

void EngineService::ForgetLogin()
{
    m_engine.logins.setAutoLogin(false);
}

void EngineService::AddListEntry(const QString& domain, const QString& password)
{
    if (admitted(firstProblem({InputRules::domainProblem(domain), InputRules::passwordProblem(password, m_languageId),
                               InputRules::listSizeProblem(m_engine.state.multiUserLines().size() + 1)})))
        m_engine.logins.addListEntry(domain.trimmed(), password);
}

void EngineService::RemoveListEntry(const QString& domain)
{
    const QStringList lines = m_engine.state.multiUserLines();
    const auto line = std::find_if(lines.begin(), lines.end(), [&](const QString& entry) {
        return MultiUserList::entryDomain(entry).compare(domain.trimmed(), Qt::CaseInsensitive) == 0;
    });
    if (admitted(line == lines.end() ? QStringLiteral("the domain is not in the list") : QString()))
        m_engine.logins.removeListEntry(*line);
}

// The options change without a signal of their own.
void EngineService::SetAutoLogin(bool on)
{
    m_engine.logins.setAutoLogin(on);
    announceChanges();
}

void EngineService::SetMultiUser(bool on)
{
    m_engine.logins.setMultiUserOption(on);
    announceChanges();
}

void EngineService::SetRunHidden(bool on)
{
    m_engine.logins.setRunHiddenOption(on);
    announceChanges();
}

void EngineService::SetResolveLocal(bool on)
{
    m_engine.logins.setResolveLocalOption(on);
    announceChanges();
}

// On without an address, the engine says why no login goes out.
void EngineService::SetFixedAddress(bool on, const QString& address)
{
    if (!on)
        m_engine.logins.setFixedAddressOption(std::nullopt);
    else if (address.isEmpty() || admitted(InputRules::ipv4Problem(address)))
        m_engine.logins.setFixedAddressOption(address);
    announceChanges();
}

void EngineService::SetAddressCheck(bool on, uint seconds)
{
    const QString secondsText = QString::number(seconds);
    if (!admitted(InputRules::checkIntervalProblem(secondsText)))
        return;
    m_engine.mappingKeeper.setAddressCheck(on, secondsText);
    m_engine.mappingKeeper.saveAddressCheckInterval(secondsText);
    announceChanges();
}

// A choice the key store could not keep still holds for this run.
void EngineService::SetIPv6Pinholes(bool on)
{
    const WriteResult written = m_engine.mappingKeeper.setPinholesOption(on);
    announceChanges();
    if (!written.ok())
        refuse(writeFailed, written.error);
}

void EngineService::AddMapping(const QString& protocol, ushort externalPort, const QString& internalClient,
                               ushort internalPort)
{
    if (!admitted(firstProblem({InputRules::protocolProblem(protocol), InputRules::portProblem(externalPort),
                                InputRules::ipv4Problem(internalClient), InputRules::portProblem(internalPort),
                                InputRules::listSizeProblem(m_engine.mappingKeeper.lines().size() + 1)})))
        return;
    change({MappingKeeper::Action::Add, protocol, QString::number(externalPort), internalClient,
            QString::number(internalPort)});
}

void EngineService::DeleteMapping(const QString& protocol, ushort externalPort)
{
    if (!admitted(firstProblem({InputRules::protocolProblem(protocol), InputRules::portProblem(externalPort)})))
        return;
    MappingKeeper& keeper = m_engine.mappingKeeper;
    const QStringList lines = keeper.lines();
    const auto stored = std::find_if(lines.begin(), lines.end(), [&](const QString& line) {
        const auto ports = MappingLine::ports(line);
        return ports && ports->protocol == protocol && ports->publicPort == externalPort;
    });
    if (!admitted(stored == lines.end() ? QStringLiteral("no such mapping is stored") : QString()))
        return;
    const auto ports = MappingLine::ports(*stored);
    change({MappingKeeper::Action::Delete, protocol, QString::number(externalPort), ports->localAddress,
            QString::number(ports->localPort)});
}

void EngineService::ReapplyMappings()
{
    m_listActionWaiting = ListAction::Reapply;
    runWaitingChanges();
}

void EngineService::WithdrawMappings()
{
    if (!routerReachable()) {
        refuse(failed, QStringLiteral("no router answers: nothing can be deleted from it now"));
        return;
    }
    m_listActionWaiting = ListAction::Withdraw;
    runWaitingChanges();
}

// A change asked early, before the router answered or while another runs,
// waits its turn rather than fail.
void EngineService::change(const MappingKeeper::Request& request)
{
    if (m_waitingChanges.size() >= maxWaitingChanges) {
        refuse(busy, QStringLiteral("%1 changes of the mappings wait already").arg(maxWaitingChanges));
        return;
    }
    m_waitingChanges.push_back(request);
    runWaitingChanges();
}

void EngineService::runWaitingChanges()
{
    MappingKeeper& keeper = m_engine.mappingKeeper;
    if (!m_waitingChanges.empty() && keeper.executeEnabled()) {
        const MappingKeeper::Request request = m_waitingChanges.front();
        m_waitingChanges.pop_front();
        keeper.execute(request);
    }
    if (m_listActionWaiting && keeper.reapplyEnabled()) {
        const ListAction action = *std::exchange(m_listActionWaiting, std::nullopt);
        if (action == ListAction::Reapply)
            keeper.reapplyAll();
        else
            keeper.withdrawAll();
    }
}

void EngineService::SetMappingLines(const QStringList& lines)
{
    QString problem = InputRules::listSizeProblem(lines.size());
    for (qsizetype i = 0; problem.isEmpty() && i < lines.size(); ++i)
        if (const QString lineProblem = InputRules::mappingLineProblem(lines.at(i)); !lineProblem.isEmpty())
            problem = QStringLiteral("line %1: %2").arg(i + 1).arg(lineProblem);
    if (admitted(problem))
        m_engine.mappingKeeper.setLines(lines);
}

QStringList EngineService::ListRouterMappings()
{
    setDelayedReply(true);
    m_listingCallers.append({connection(), message()});
    if (m_listingCallers.size() > 1)
        return {};
    m_engine.mappingKeeper.listRouterMappings([this](const QStringList& lines) {
        for (auto& [bus, call] : std::exchange(m_listingCallers, {}))
            bus.send(call.createReply(lines));
    });
    return {};
}

EventRecords EngineService::RecentEvents(uint count) const
{
    const std::size_t taken = std::min<std::size_t>(count, m_events.size());
    return EventRecords(m_events.end() - qsizetype(taken), m_events.end());
}

void EngineService::Attach()
{
    if (!calledFromDBus() || !m_faceWatch)
        return;
    const QString face = message().service();
    if (m_faces.contains(face))
        return;
    m_faces << face;
    m_faceWatch->addWatchedService(face);
    emit facesChanged();
}

void EngineService::Quit()
{
    m_engine.logins.endSession();
    QCoreApplication::exit(0);
}

bool EngineService::admitted(const QString& problem)
{
    if (problem.isEmpty())
        return true;
    refuse(invalidArgument, problem);
    return false;
}

// A face of this process checked its input already: it needs no answer.
void EngineService::refuse(const QString& error, const QString& text)
{
    if (calledFromDBus())
        sendErrorReply(error, text);
}

void EngineService::record(const QString& source, const QString& severity, const QString& text)
{
    const EventRecord event{m_clock.now().toSecsSinceEpoch(), source, severity, text};
    // A line shown in place is kept as it reads now, however old: a face
    // that comes later shows it. Only the added lines age out.
    const bool inPlace = source != QStringLiteral("history") && source != QStringLiteral("router");
    if (inPlace)
        std::erase_if(m_events, [&source](const EventRecord& kept) { return kept.source == source; });
    const auto added = [](const EventRecord& kept) {
        return kept.source == QStringLiteral("history") || kept.source == QStringLiteral("router");
    };
    if (!inPlace && std::count_if(m_events.begin(), m_events.end(), added) >= keptEvents)
        m_events.erase(std::find_if(m_events.begin(), m_events.end(), added));
    m_events.push_back(event);
    emit Event(event.time, event.source, event.severity, event.text);
    // What the event tells of may have changed state no signal tells of.
    announceChanges();
}

void EngineService::announceChanges()
{
    const QVariantMap current = properties();
    QVariantMap changed;
    for (auto property = current.begin(); property != current.end(); ++property)
        if (m_announced.value(property.key()) != property.value())
            changed.insert(property.key(), property.value());
    m_announced = current;
    if (changed.isEmpty())
        return;
    emit propertiesChanged(changed);
    if (!m_bus)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(
        EngineAddress::objectPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << interfaceName << changed << QStringList();
    m_bus->send(signal);
}

QVariantMap EngineService::properties() const
{
    QVariantMap properties;
    const QMetaObject* meta = metaObject();
    for (int index = meta->propertyOffset(); index < meta->propertyCount(); ++index) {
        const QMetaProperty property = meta->property(index);
        properties.insert(QString::fromLatin1(property.name()), property.read(this));
    }
    return properties;
}
