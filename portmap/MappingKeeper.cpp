#include "portmap/MappingKeeper.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "platform/GlobalIPv6.h"
#include "portmap/MappingFiles.h"
#include "portmap/RouterMappers.h"
#include "registration/ClientState.h"
#include "settings/InputRefusals.h"
#include "settings/InputRules.h"
#include "settings/TextFile.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>
#include <utility>

MappingKeeper::MappingKeeper(const Platform& platform, ClientState& session, QString folder, QObject* parent)
    : MappingKeeper(platform, session, std::move(folder),
                    RouterMappers::all(platform, languageCodeFor(platform.language.languageId())), parent)
{
}

MappingKeeper::MappingKeeper(const Platform& platform, ClientState& session, QString folder,
                             std::vector<std::unique_ptr<RouterMapper>> mappers, QObject* parent)
    : QObject(parent), startupSearch(platform.clock), pollAfterDescription(platform.clock),
      reapplyTimer(platform.clock), addressCheckTimer(platform.clock), routerPollTimer(platform.clock),
      dailyReapplyTimer(platform.clock), researchTimer(platform.clock), mappingCheckTimer(platform.clock),
      checkStepTimer(platform.clock), deferredPollTimer(platform.clock), announcementTimer(platform.clock),
      withdrawalTimer(platform.clock),
      m_platform(platform), m_session(session), m_folder(std::move(folder)),
      m_codePage(CodePage::forLanguage(platform.language.languageId())),
      m_language(languageCodeFor(platform.language.languageId())), m_mappers(std::move(mappers)),
      m_pinholes(
          platform.clock, m_language, [this] { return routerKnown() ? m_router : nullptr; },
          [this] { return GlobalIPv6::address(m_internalClient); })
{
    for (const auto& mapper : m_mappers)
        listen(*mapper);
    startupSearch.setOnTimer([this] { startupSearchTick(); });
    pollAfterDescription.setOnTimer([this] { pollAfterDescriptionTick(); });
    reapplyTimer.setOnTimer([this] { reapplyNext(); });
    addressCheckTimer.setOnTimer([this] { pollExternalAddress(); });
    routerPollTimer.setOnTimer([this] { routerPoll(); });
    dailyReapplyTimer.setOnTimer([this] { reapplyDaily(); });
    researchTimer.setOnTimer([this] { searchAgain(); });
    mappingCheckTimer.setOnTimer([this] { checkMappings(); });
    checkStepTimer.setOnTimer([this] { checkNextMapping(); });
    announcementTimer.setOnTimer([this] { actOnAnnouncement(); });
    withdrawalTimer.setOnTimer([this] { withdrawNext(); });
    deferredPollTimer.setOnTimer([this] {
        deferredPollTimer.setInterval(0);
        pollExternalAddress();
    });
    connect(&platform.addressWatch, &AddressWatch::changed, this, [this] { addressesChanged(); });
    connect(&platform.addressWatch, &AddressWatch::changed, &m_pinholes, &MappingPinholes::addressesChanged);
    // A pinhole follows its mapping onto the router, and its last line out of the list.
    connect(this, &MappingKeeper::mappingAdded, this, [this](const QString& line) {
        if (const auto mapping = MappingLine::ports(line))
            m_pinholes.open(*mapping);
    });
    connect(this, &MappingKeeper::linesChanged, &m_pinholes, &MappingPinholes::keepOnly);
    connect(&m_pinholes, &MappingPinholes::logged, this, &MappingKeeper::log);
    m_pinholes.setEnabled(platform.keyStore.value(pinholesOptionName) != QStringLiteral("0"));
}

WriteResult MappingKeeper::setPinholesOption(bool on)
{
    m_pinholes.setEnabled(on);
    return m_platform.keyStore.setValue(pinholesOptionName, on ? QStringLiteral("1") : QStringLiteral("0"));
}

// Only the mapper in use is heard, but for the ends of searches and for
// announcements: a router that restarts may announce it while another
// protocol is asked.
void MappingKeeper::listen(RouterMapper& mapper)
{
    using M = RouterMapper;
    RouterMapper* const from = &mapper;
    const auto inUse = [this, from] { return from == m_router; };
    connect(from, &M::progress, this, [this, inUse](const QString& line) {
        if (inUse())
            logUnlessRetrying(line);
    });
    connect(from, &M::logged, this, [this, inUse](const QString& line) {
        if (inUse())
            log(line);
    });
    connect(from, &M::answered, this, [this, inUse] {
        if (inUse())
            setRouterSeen(RouterSeen::Found);
    });
    connect(from, &M::found, this, [this, from] { findEnded(*from, true); });
    connect(from, &M::foundWithAddress, this,
            [this, from](const QString& address) { findEnded(*from, true, address); });
    connect(from, &M::notFound, this, [this, from] { findEnded(*from, false); });
    connect(from, &M::pinholeEnded, &m_pinholes, &MappingPinholes::ended);
    connect(from, &M::lost, this, [this, inUse] {
        if (inUse())
            routerLost();
    });
    connect(from, &M::externalAddressRead, this, [this, inUse](const QString& address) {
        if (inUse())
            onExternalAddress(address);
    });
    connect(from, &M::externalAddressFailed, this, [this, inUse](bool answered) {
        if (inUse())
            onExternalAddressFailed(answered);
    });
    connect(from, &M::restartSeen, this, [this, inUse] {
        if (!inUse())
            return;
        log(Messages::PortMapping::routerRestarted());
        m_reapply.whenAnswering = true;
    });
    connect(from, &M::restartAnnounced, this,
            [this](RouterMapper::Announcement announcement) { announcementArrived(announcement); });
    connect(from, &M::changeAnnounced, this, [this, from] { changeAnnounced(*from); });
    connect(from, &M::addEnded, this, [this, inUse](const RouterMapper::AddResult& result) {
        if (inUse())
            onAddEnded(result);
    });
    connect(from, &M::removeEnded, this, [this, inUse](bool succeeded) {
        if (inUse())
            onDeleteEnded(succeeded);
    });
    connect(from, &M::lookedUp, this, [this, inUse](const RouterMapper::Entry& entry) {
        if (inUse())
            onLookedUp(entry);
    });
    connect(from, &M::mappedAgain, this, [this, inUse](const MappingLine::Ports& asked, int givenPort) {
        if (inUse())
            onMappedAgain(asked, givenPort);
    });
    connect(from, &M::idle, this, [this, inUse] {
        if (inUse())
            afterTask();
    });
}

MappingKeeper::~MappingKeeper() = default;

void MappingKeeper::start()
{
    startupSearch.setInterval(1000);
    m_internalClient = m_platform.localAddress.localAddress();
    emit internalClientChanged(m_internalClient);
    loadFiles();
    dailyReapplyTimer.setInterval(24 * 60 * 60 * 1000);
    mappingCheckTimer.setInterval(5 * 60 * 1000);
}

void MappingKeeper::reloadFiles()
{
    loadFiles();
    if (m_externalAddress != QStringLiteral("0.0.0.0") && !reapplyTimer.isRunning())
        reapplyAll();
}

// Only a missing file is made; one that cannot be read is left alone.
void MappingKeeper::loadFiles()
{
    const auto load = [this](const QString& path, const QStringList& initial) -> std::optional<QStringList> {
        const LoadedLines loaded = loadTextLines(path, m_codePage);
        if (loaded.state == LoadedLines::State::Loaded)
            return loaded.lines;
        if (loaded.state == LoadedLines::State::Missing)
            writeLines(path, initial);
        else
            log(Messages::readFailed(LanguageCode::Jt, QFileInfo(path).fileName(), loaded.error));
        return std::nullopt;
    };
    if (const auto lines = load(MappingFiles::listPath(m_folder), {}))
        setStoredLines(*lines);
    if (const auto lines = load(MappingFiles::intervalPath(m_folder), m_intervalLines))
        m_intervalLines = *lines;
}

void MappingKeeper::saveList()
{
    writeLines(MappingFiles::listPath(m_folder), m_lines);
}

void MappingKeeper::writeLines(const QString& path, const QStringList& lines)
{
    emit fileWritten(QFileInfo(path).fileName(), saveTextLines(path, lines, m_codePage));
}

// The list stays as it was until the whole edit may enter.
void MappingKeeper::setLines(const QStringList& lines)
{
    if (const QString refusal = InputRefusals::mappingList(lines); !refusal.isEmpty()) {
        logRefusalOnce(refusal);
        return;
    }
    m_lastRefusal.clear();
    setStoredLines(lines);
}

// The window hands over every key the user presses: an edit that stays
// refused is said once, not once a key.
void MappingKeeper::logRefusalOnce(const QString& refusal)
{
    if (refusal == m_lastRefusal)
        return;
    m_lastRefusal = refusal;
    log(refusal);
}

void MappingKeeper::setStoredLines(const QStringList& lines)
{
    if (lines == m_lines)
        return;
    m_lines = lines;
    emit linesChanged(m_lines);
}

void MappingKeeper::setAddressCheck(bool on, const QString& secondsText)
{
    bool isNumber = false;
    const qint64 seconds = secondsText.toLongLong(&isNumber);
    const qint64 interval =
        isNumber ? std::clamp<qint64>(seconds, 15, std::numeric_limits<int>::max() / 1000) * 1000 : 60000;
    addressCheckTimer.setInterval(on ? int(interval) : 0);
}

void MappingKeeper::saveAddressCheckInterval(const QString& secondsText)
{
    if (!InputRules::checkIntervalProblem(secondsText).isEmpty()) {
        logRefusalOnce(Messages::PortMapping::checkIntervalRefused(InputRules::minCheckSeconds,
                                                                   InputRules::maxCheckSeconds));
        return;
    }
    m_lastRefusal.clear();
    m_intervalLines = QStringList{secondsText.trimmed()};
    writeLines(MappingFiles::intervalPath(m_folder), m_intervalLines);
}

QString MappingKeeper::routerName() const
{
    return m_router ? m_router->name() : QString();
}

QString MappingKeeper::routerAddress() const
{
    return m_router ? m_router->address() : QString();
}

QString MappingKeeper::routerProtocol() const
{
    return routerKnown() ? m_router->protocol() : QString();
}

RouterMapper* MappingKeeper::mapperOf(const QString& protocol) const
{
    for (const auto& mapper : m_mappers) {
        if (mapper->protocol() == protocol)
            return mapper.get();
    }
    return nullptr;
}

bool MappingKeeper::anyBusy() const
{
    return std::any_of(m_mappers.cbegin(), m_mappers.cend(),
                       [](const auto& mapper) { return mapper->busy(); });
}

void MappingKeeper::log(const QString& line)
{
    emit logged(line);
}

void MappingKeeper::setRouterSeen(RouterSeen seen)
{
    if (seen == m_routerSeen)
        return;
    m_routerSeen = seen;
    emit statusChanged();
}

void MappingKeeper::setOutcome(MappingOutcome outcome)
{
    if (outcome == m_outcome)
        return;
    m_outcome = std::move(outcome);
    emit statusChanged();
}

void MappingKeeper::setEnabled(bool execute, bool reapply)
{
    if (execute == m_executeEnabled && reapply == m_reapplyEnabled)
        return;
    m_executeEnabled = execute;
    m_reapplyEnabled = reapply;
    emit statusChanged();
}

void MappingKeeper::setExternalAddress(const QString& address)
{
    m_externalAddress = address;
    // The login's checks compare with the router's address.
    m_session.setRouterExternalAddress(address);
    emit externalAddressChanged(address);
}
