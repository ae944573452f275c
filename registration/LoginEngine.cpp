#include "registration/LoginEngine.h"

#include "messages/Messages.h"
#include "registration/ClientState.h"
#include "registration/StoredPassword.h"
#include "settings/InputRules.h"
#include "settings/MultiUserList.h"
#include "settings/ProviderPages.h"
#include "settings/SettingsLines.h"
#include "settings/deployment.h"

#include <QDateTime>
#include <QRandomGenerator>

LoginEngine::LoginEngine(const Platform& platform, ClientState& state, const QString& caption,
                         QObject* parent)
    : QObject(parent), startupLoginTimer(platform.clock), downloadTimer(platform.clock),
      secondaryStartupTimer(platform.clock), secondaryFollowLoginTimer(platform.clock),
      secondaryFollowAutoTimer(platform.clock), secondaryLocalCheckTimer(platform.clock),
      m_platform(platform), m_state(state), m_language(languageCodeFor(platform.language.languageId())),
      m_log(platform.clock), m_settings(platform, state, m_log, caption),
      m_primary(platform, state, m_log, LoginSessionProfile::primary()),
      m_secondary(platform, state, m_log, LoginSessionProfile::secondary()),
      m_primaryPass(platform, state, m_log, m_primary), m_secondaryPass(platform, state, m_log, m_secondary),
      m_checks(platform, state, m_log, m_primary)
{
    connect(&m_log, &EventLogLines::logLineSet, this, &LoginEngine::logLineSet);
    connect(&m_log, &EventLogLines::logLineAppended, this, &LoginEngine::logLineAppended);
    connect(&m_log, &EventLogLines::statusChanged, this, &LoginEngine::statusChanged);
    connectPrimary();
    connectSecondary();
    startupLoginTimer.setOnTimer([this] {
        startupLoginTimer.setInterval(0);
        if (m_state.autoLogin())
            logInAutomatically();
    });
    downloadTimer.setOnTimer([this] { download(); });

    m_secondary.setCredentials(QString::fromUtf8(deployment::exampleDomain), {});
    loadSettings();
    m_settings.saveSettingsLines();
    startupLoginTimer.setInterval(1000);
    secondaryStartupTimer.setInterval(1000);
    downloadTimer.setInterval(600000);
}

LoginEngine::~LoginEngine() = default;

void LoginEngine::connectPrimary()
{
    connect(&m_primary, &LoginSession::loginSent, this, [this] { m_checks.noteLoginSent(); });
    connect(&m_primary, &LoginSession::accountTypeChanged, this, [this] { m_settings.saveSettingsLines(); });
    connect(&m_primary, &LoginSession::succeeded, this, [this](const QString& previousAddress) {
        m_checks.noteSuccess(previousAddress);
        if (m_state.settingOn(SettingsLine::MultiUser))
            m_primaryPass.moveOn();
        else
            m_checks.armAfterLogin(previousAddress);
    });
    // A refused domain is one entry of the list: the rest still log in, and
    // the end of the pass arms the checks.
    connect(&m_primary, &LoginSession::refused, this, [this] {
        if (m_state.settingOn(SettingsLine::MultiUser))
            m_primaryPass.moveOn();
    });
    connect(&m_primary, &LoginSession::unanswered, this, [this](const QString& domain) {
        if (!m_state.settingOn(SettingsLine::MultiUser)) {
            m_primary.sendLogin(); // the only domain: it keeps trying
            return;
        }
        m_primaryPass.noteUnanswered(domain);
        m_primaryPass.moveOn();
    });
    connect(&m_primary, &LoginSession::pageRequested, this, &LoginEngine::openPage);
    connect(&m_primaryPass, &MultiUserPass::finished, this, [this] { m_checks.armAfterListPass(); });
    connect(&m_checks, &AddressChecks::reloginWanted, this, &LoginEngine::logInAgain);
    connect(&m_checks, &AddressChecks::loginsHalted, this, &LoginEngine::stopPrimaryTimers);
}

void LoginEngine::loadSettings()
{
    m_settings.load();
    const bool resolveLocal = m_state.settingOn(SettingsLine::ResolveLocal);
    m_state.setResolveLocalTicked(resolveLocal);
    if (resolveLocal)
        m_state.setIptype(true);
    // Restored, auto-login is on as if ticked: in multi-user mode that takes
    // the list's first entry, saved as the login the secondary session restores.
    if (const auto credentials = m_settings.restoreCredentials()) {
        m_primary.setCredentials(credentials->domain, credentials->password);
        setAutoLogin(true);
        m_secondary.setCredentials(m_primary.domain(), m_primary.password());
    }
}

void LoginEngine::begin()
{
    m_savingOptions = true;
}

void LoginEngine::reloadSettingsFiles()
{
    m_settings.reload();
    m_state.setIptype(m_state.settingOn(SettingsLine::ResolveLocal));
    m_state.setResolveLocalTicked(m_state.iptype());
    if (const auto credentials = m_settings.restoreCredentials())
        m_primary.setCredentials(credentials->domain, credentials->password);
    emit optionsChanged();
}

void LoginEngine::endSession()
{
    m_primary.closeEndpoint();
    m_secondary.closeEndpoint();
    m_checks.closeChannels();
}

void LoginEngine::stopPrimaryTimers()
{
    startupLoginTimer.setInterval(0);
    m_primary.sendIn(0);
    m_checks.stop();
    m_primaryPass.stop();
}

void LoginEngine::saveCredentialsIfAutoLogin(const QString& domain, const QString& password)
{
    if (m_state.autoLogin())
        m_settings.saveCredentials(domain, password);
}

void LoginEngine::setFormCredentials(const QString& domain, const QString& password)
{
    m_primary.setCredentials(domain, password);
}

void LoginEngine::logIn(const QString& domain, const QString& password)
{
    // Refused, nothing changes: not the saved login, the timers or what was sent.
    if (!m_settings.admitsLogin(domain, password))
        return;
    m_primary.setCredentials(domain.trimmed(), password.trimmed());
    m_secondary.setCredentials(m_primary.domain(), m_primary.password());
    secondaryFollowLoginTimer.setInterval(10);
    stopPrimaryTimers();
    m_primary.sendIn(10);
    saveCredentialsIfAutoLogin(m_primary.domain(), m_primary.password());
}

// Every automatic login starts here: at start-up and when a check finds the
// address changed with auto-login ticked.
void LoginEngine::logInAutomatically()
{
    stopPrimaryTimers();
    secondaryFollowAutoTimer.setInterval(10);
    if (m_primary.domain().trimmed().isEmpty() || m_primary.password().trimmed().isEmpty())
        return;
    const bool multiUser = m_state.settingOn(SettingsLine::MultiUser);
    if (!multiUser && !m_settings.admitsLogin(m_primary.domain(), m_primary.password()))
        return;
    m_log.setLine(0, Messages::startupLoginSent(m_log.timeOfDay()));
    if (!multiUser) {
        if (m_state.autoLogin())
            m_settings.saveCredentials(m_primary.domain(), m_primary.password());
        else
            m_settings.saveSettingsLines();
    }
    if (m_state.settingOn(SettingsLine::ResolveLocal))
        m_state.setIptype(true);
    if (!multiUser) {
        m_primary.sendIn(100);
        return;
    }
    if (!m_state.multiUserLines().isEmpty()) {
        m_primaryPass.begin(100);
        return;
    }
    // Nothing to log in: the next login logs in the form's own domain.
    m_state.setSettingOn(SettingsLine::MultiUser, false);
    m_settings.saveSettingsLines();
}

void LoginEngine::logInAgain()
{
    if (m_state.autoLogin())
        logInAutomatically();
    else
        logIn(m_primary.domain(), m_primary.password());
}

void LoginEngine::setAutoLogin(bool on)
{
    m_state.setAutoLogin(on);
    const QStringList entries = m_state.multiUserLines();
    if (m_state.settingOn(SettingsLine::MultiUser) && !entries.isEmpty()) {
        // A domain without its own password must not take the one in the field.
        const QString domain = MultiUserList::entryDomain(entries.first());
        if (const auto stored = m_platform.keyStore.value(domain))
            m_primary.setCredentials(domain, StoredPassword::decode(*stored));
    }
    if (m_primary.domain().trimmed().isEmpty() || m_primary.password().trimmed().isEmpty())
        return;
    if (on)
        m_settings.saveCredentials(m_primary.domain(), m_primary.password());
    else
        m_settings.clearCredentials();
}

void LoginEngine::setMultiUserOption(bool on)
{
    if (!m_savingOptions)
        return;
    m_state.setSettingOn(SettingsLine::MultiUser, on);
    m_settings.saveSettingsLines();
}

void LoginEngine::setRunHiddenOption(bool on)
{
    if (!m_savingOptions)
        return;
    m_state.setSettingOn(SettingsLine::RunHidden, on);
    m_settings.saveSettingsLines();
}

// The resolve-to-local and fixed-address options exclude each other; only the
// first is stored (settings line 2, followed by iptype).
void LoginEngine::setResolveLocalOption(bool on)
{
    m_state.setResolveLocalTicked(on);
    if (on && m_state.fixedAddress()) {
        m_state.setFixedAddress(std::nullopt);
        emit optionsChanged();
    }
    if (!m_savingOptions)
        return;
    m_state.setSettingOn(SettingsLine::ResolveLocal, on);
    m_state.setIptype(on);
    m_settings.saveSettingsLines();
}

void LoginEngine::setFixedAddressOption(std::optional<QString> address)
{
    // The window hands over every key: a refused address is said in place, not
    // in the history, and kept as none, so that the box stays ticked and no
    // login goes out until the address is one.
    if (address && !InputRules::ipv4Problem(*address).isEmpty()) {
        address = QString();
        m_log.setStatus(Messages::fixedAddressInvalid(m_language));
        m_log.setLine(0, Messages::fixedAddressInvalid(m_language));
    }
    const bool ticked = address.has_value();
    m_state.setFixedAddress(std::move(address));
    if (ticked && m_state.resolveLocalTicked()) {
        setResolveLocalOption(false);
        emit optionsChanged();
    }
}

void LoginEngine::addListEntry(const QString& domain, const QString& password)
{
    // Blanks around a domain are no part of it.
    const QString name = domain.trimmed();
    if (!m_settings.admitsLogin(name, password))
        return;
    QStringList lines = m_state.multiUserLines();
    // A domain already listed keeps its line; its password is replaced.
    const bool listed = MultiUserList::indexOfDomain(lines, name) >= 0;
    if (!listed && !InputRules::listSizeProblem(lines.size() + 1).isEmpty()) {
        m_log.appendHistory(Messages::listFull(m_language, InputRules::maxListLines));
        return;
    }
    QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
    const auto digit = [&random] { return QChar(u'0' + random.bounded(9)); };
    const QString stored = StoredPassword::encode(password, digit(), digit());
    // The list names only what the store holds: a failed write adds no line.
    const WriteResult written = m_platform.keyStore.setValue(name, stored);
    m_settings.reportWriteFailure({}, written);
    if (!written.ok())
        return;
    if (!listed) {
        lines << MultiUserList::entryLine(name);
        m_state.setMultiUserLines(lines);
    }
    m_settings.saveMultiUserList();
}

void LoginEngine::removeListEntry(const QString& taken)
{
    QStringList lines = m_state.multiUserLines();
    const QString line = taken.isEmpty() ? lines.value(0) : taken;
    const auto equal = [&line](const QString& entry) {
        return entry.compare(line, Qt::CaseInsensitive) == 0;
    };
    if (const auto found = std::find_if(lines.begin(), lines.end(), equal); found != lines.end())
        lines.erase(found);
    m_state.setMultiUserLines(lines);
    // The list first: a password without its line is harmless, a line without
    // its password is skipped on every pass.
    m_settings.saveMultiUserList();
    m_settings.reportWriteFailure({}, m_platform.keyStore.removeValue(MultiUserList::entryDomain(line)));
}

void LoginEngine::openPage(const QString& url)
{
    // Without a browser the user can still copy the address from here.
    if (!m_platform.browser.openUrl(url))
        m_log.setStatus(Messages::browserUnavailable(m_language, url));
}

void LoginEngine::noteSecondCopyUndetectable()
{
    m_log.appendHistory(Messages::secondCopyUndetectable(m_language));
}

// The zone list is kept for the user only; the banner shows from the next
// start. A failed download leaves the old file; nothing else depends on it.
void LoginEngine::download()
{
    downloadTimer.setInterval(0);
    m_platform.http.download(ProviderPages::zoneListDownload(),
                             m_settings.programFile(QStringLiteral("yuming.txt")), this,
                             [](const WriteResult&) {});
    m_platform.http.download(ProviderPages::bannerDownload(),
                             m_settings.programFile(QStringLiteral("ggw.gif")), this,
                             [](const WriteResult&) {});
}
