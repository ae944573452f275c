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
                     QObject* parent)
    : LoginsView(parent), m_bus(std::move(bus)), m_language(language), m_browser(browser), m_ownsEngine(ownsEngine)
{
    const auto follow = [this](const char* name, const char* slot) { followEngine(m_bus, name, this, slot); };
    follow("LogLineSet", SLOT(busLogLineSet(int, QString)));
    follow("LogLineAppended", SLOT(busLogLineAppended(QString)));
    follow("StatusBarChanged", SLOT(busStatusBarChanged(QString)));
    follow("CredentialsChanged", SLOT(busCredentialsChanged(QString, QString)));
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
    m_password = properties.value(QStringLiteral("Password")).toString();
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
    callEngine(m_bus, QStringLiteral("LogIn"), {domain, password});
}

void BusLogins::setFormCredentials(const QString& domain, const QString& password)
{
    if (!m_typed.send({domain, password}, {m_domain, m_password}))
        return;
    m_domain = domain;
    m_password = password;
    callEngine(m_bus, QStringLiteral("SetFormCredentials"), {domain, password});
}

void BusLogins::setAutoLogin(bool on)
{
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

void BusLogins::busCredentialsChanged(const QString& domain, const QString& password)
{
    if (!m_ready)
        return;
    if (m_typed.isEcho({domain, password}))
        return;
    m_domain = domain;
    m_password = password;
    emit credentialsChanged(domain, password);
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
