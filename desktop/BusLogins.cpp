#include "desktop/BusLogins.h"

#include "engine/EngineBus.h"
#include "messages/Messages.h"
#include "platform/Browser.h"

#include <QDir>

namespace {

// What the engine's log could hold: a line number beyond it is nobody's.
constexpr int mostLogLines = 100000;
constexpr int quitTimeoutMs = 2000;

} // namespace

BusLogins::BusLogins(QDBusConnection bus, LanguageCode language, Browser& browser, bool ownsEngine,
                     std::function<QString(const QString& domain)> savedPassword, QObject* parent)
    : LoginsView(parent), m_bus(std::move(bus)), m_language(language), m_browser(browser), m_ownsEngine(ownsEngine),
      m_savedPassword(std::move(savedPassword))
{
    const auto follow = [this](const char* name, const char* slot) { followEngine(m_bus, name, this, slot); };
    follow("LogLineSet", SLOT(busLogLineSet(int, QString)));
    follow("LogLineAppended", SLOT(busLogLineAppended(QString)));
    follow("StatusBarChanged", SLOT(busStatusBarChanged(QString)));
    follow("CredentialsChanged", SLOT(busCredentialsChanged(QString)));
    follow("LocalAddressChanged", SLOT(busLocalAddressChanged(QString)));
    follow("PublishedAddressChanged", SLOT(busPublishedAddressChanged(QString)));
    follow("MultiUserLinesChanged", SLOT(busMultiUserLinesChanged(QStringList)));
    follow("OptionsChanged", SLOT(busOptionsChanged(bool, bool, bool, bool)));
    follow("ReloginWanted", SLOT(busReloginWanted()));
    follow("LoginUnanswered", SLOT(busLoginUnanswered(QString)));
    follow("DomainRefused", SLOT(busDomainRefused(QString)));
}

void BusLogins::takeSnapshot(const QVariantMap& properties)
{
    m_logLines = properties.value(QStringLiteral("LogLines")).toStringList();
    m_status = properties.value(QStringLiteral("StatusBar")).toString();
    m_domain = properties.value(QStringLiteral("Domain")).toString();
    m_engineDomain = m_domain;
    m_password = m_savedPassword(m_domain);
    m_localAddress = properties.value(QStringLiteral("LocalAddress")).toString();
    m_publishedAddress = properties.value(QStringLiteral("PublishedAddress")).toString();
    m_multiUserLines = properties.value(QStringLiteral("MultiUserLines")).toStringList();
    m_autoLogin = properties.value(QStringLiteral("AutoLogin")).toBool();
    m_multiUser = properties.value(QStringLiteral("MultiUser")).toBool();
    m_resolveLocal = properties.value(QStringLiteral("ResolveLocal")).toBool();
    m_fixedAddress = properties.value(QStringLiteral("FixedAddress")).toBool();
    m_settingsFolder = properties.value(QStringLiteral("SettingsFolder")).toString();
    m_ready = true;
}

QString BusLogins::settingsFile(const QString& name) const
{
    return QDir(m_settingsFolder).filePath(name);
}

void BusLogins::logIn(const QString& domain, const QString& password)
{
    m_sentDomains.send(domain.trimmed(), m_engineDomain);
    callEngine(m_bus, QStringLiteral("LogIn"), {domain, password});
}

// The typing stays here: the form goes to the engine only when it is
// logged in or saved, never a keystroke at a time.
void BusLogins::setFormCredentials(const QString& domain, const QString& password)
{
    m_domain = domain;
    m_password = password;
}

void BusLogins::setAutoLogin(bool on)
{
    // Ticking it saves the form: the engine needs it now.
    if (on) {
        m_sentDomains.send(m_domain, m_engineDomain);
        callEngine(m_bus, QStringLiteral("SetFormCredentials"), {m_domain, m_password});
    }
    callEngine(m_bus, QStringLiteral("SetAutoLogin"), {on});
}

void BusLogins::setMultiUserOption(bool on)
{
    callEngine(m_bus, QStringLiteral("SetMultiUser"), {on});
}

void BusLogins::setRunHiddenOption(bool on)
{
    callEngine(m_bus, QStringLiteral("SetRunHidden"), {on});
}

void BusLogins::setResolveLocalOption(bool on)
{
    callEngine(m_bus, QStringLiteral("SetResolveLocal"), {on});
}

void BusLogins::setFixedAddressOption(std::optional<QString> address)
{
    callEngine(m_bus, QStringLiteral("SetFixedAddress"), {address.has_value(), address.value_or(QString())});
}

void BusLogins::addListEntry(const QString& domain, const QString& password)
{
    callEngine(m_bus, QStringLiteral("AddListEntry"), {domain, password});
}

void BusLogins::removeListEntry(const QString& taken)
{
    callEngine(m_bus, QStringLiteral("RemoveListEntry"), {taken});
}

// The browser is this face's: the engine may run where no desktop is.
void BusLogins::openPage(const QString& url)
{
    if (!m_browser.openUrl(url))
        setStatus(Messages::browserUnavailable(m_language, url));
}

void BusLogins::setStatus(const QString& text)
{
    callEngine(m_bus, QStringLiteral("ShowStatus"), {text});
}

// The face ends next: the call must be out before, and the engine answers at once.
void BusLogins::endSession()
{
    if (m_ownsEngine)
        m_bus.call(engineMethodCall(QStringLiteral("Quit")), QDBus::Block, quitTimeoutMs);
}

void BusLogins::busLogLineSet(int index, const QString& text)
{
    if (!m_ready || index < 0 || index >= mostLogLines)
        return;
    while (m_logLines.size() <= index)
        m_logLines.append(QString());
    m_logLines[index] = text;
    emit logLineSet(index, text);
}

void BusLogins::busLogLineAppended(const QString& text)
{
    if (!m_ready || m_logLines.size() >= mostLogLines)
        return;
    m_logLines.append(text);
    emit logLineAppended(text);
}

void BusLogins::busStatusBarChanged(const QString& text)
{
    if (!m_ready)
        return;
    m_status = text;
    emit statusChanged(text);
}

// The engine tells the domain only; its password comes from this user's own files.
void BusLogins::busCredentialsChanged(const QString& domain)
{
    if (!m_ready)
        return;
    m_engineDomain = domain;
    if (m_sentDomains.isEcho(domain))
        return;
    m_domain = domain;
    if (const QString saved = m_savedPassword(domain); !saved.isEmpty())
        m_password = saved;
    emit credentialsChanged(m_domain, m_password);
}

void BusLogins::busLocalAddressChanged(const QString& address)
{
    if (!m_ready)
        return;
    m_localAddress = address;
    emit localAddressChanged(address);
}

void BusLogins::busPublishedAddressChanged(const QString& address)
{
    if (!m_ready)
        return;
    m_publishedAddress = address;
    emit publishedAddressChanged(address);
}

void BusLogins::busMultiUserLinesChanged(const QStringList& lines)
{
    if (!m_ready)
        return;
    m_multiUserLines = lines;
    emit multiUserLinesChanged(lines);
}

void BusLogins::busOptionsChanged(bool autoLogin, bool multiUser, bool resolveLocal, bool fixedAddress)
{
    if (!m_ready)
        return;
    m_autoLogin = autoLogin;
    m_multiUser = multiUser;
    m_resolveLocal = resolveLocal;
    m_fixedAddress = fixedAddress;
    emit optionsChanged();
}

void BusLogins::busReloginWanted()
{
    if (m_ready)
        emit reloginWanted();
}

void BusLogins::busLoginUnanswered(const QString& domain)
{
    if (m_ready)
        emit loginUnanswered(domain);
}

void BusLogins::busDomainRefused(const QString& domain)
{
    if (m_ready)
        emit domainRefused(domain);
}
