#include "app/BusLogins.h"

#include "app/EngineBus.h"
#include "messages/Messages.h"
#include "platform/Browser.h"

#include <QDir>

namespace {

// What the engine's log could hold: a line number beyond it is nobody's.
constexpr int mostLogLines = 100000;
// Typed and not yet echoed: a bound, should the engine stop answering.
constexpr qsizetype maxTyped = 256;
constexpr int quitTimeoutMs = 2000;

} // namespace

BusLogins::BusLogins(QDBusConnection bus, LanguageCode language, Browser& browser, bool ownsEngine,
                     QObject* parent)
    : LoginsView(parent), m_bus(std::move(bus)), m_language(language), m_browser(browser), m_ownsEngine(ownsEngine)
{
    const auto follow = [this](const char* name, const char* slot) {
        m_bus.connect(EngineBus::serviceName, EngineBus::objectPath, EngineBus::interfaceName,
                      QString::fromLatin1(name), this, slot);
    };
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

void BusLogins::send(const QString& method, const QVariantList& arguments)
{
    // Nobody waits for the answer: what the call changes comes as a signal.
    m_bus.send(engineMethodCall(method, arguments));
}

void BusLogins::logIn(const QString& domain, const QString& password)
{
    send(QStringLiteral("LogIn"), {domain, password});
}

void BusLogins::setFormCredentials(const QString& domain, const QString& password)
{
    const Credentials typed{domain, password};
    // The engine says nothing of a change that is none.
    if (m_typed.isEmpty() && typed == Credentials{m_domain, m_password})
        return;
    if (m_typed.size() >= maxTyped)
        m_typed.removeFirst();
    m_typed.append(typed);
    m_domain = domain;
    m_password = password;
    send(QStringLiteral("SetFormCredentials"), {domain, password});
}

void BusLogins::setAutoLogin(bool on)
{
    send(QStringLiteral("SetAutoLogin"), {on});
}

void BusLogins::setMultiUserOption(bool on)
{
    send(QStringLiteral("SetMultiUser"), {on});
}

void BusLogins::setRunHiddenOption(bool on)
{
    send(QStringLiteral("SetRunHidden"), {on});
}

void BusLogins::setResolveLocalOption(bool on)
{
    send(QStringLiteral("SetResolveLocal"), {on});
}

void BusLogins::setFixedAddressOption(std::optional<QString> address)
{
    send(QStringLiteral("SetFixedAddress"), {address.has_value(), address.value_or(QString())});
}

void BusLogins::addListEntry(const QString& domain, const QString& password)
{
    send(QStringLiteral("AddListEntry"), {domain, password});
}

void BusLogins::removeListEntry(const QString& taken)
{
    send(QStringLiteral("RemoveListEntry"), {taken});
}

// The browser is this face's: the engine may run where no desktop is.
void BusLogins::openPage(const QString& url)
{
    if (!m_browser.openUrl(url))
        setStatus(Messages::browserUnavailable(m_language, url));
}

void BusLogins::setStatus(const QString& text)
{
    send(QStringLiteral("ShowStatus"), {text});
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
    // The echo of what was typed, which may be older than the field: dropped.
    const qsizetype echoed = m_typed.indexOf(Credentials{domain, password});
    if (echoed >= 0) {
        m_typed.remove(0, echoed + 1);
        return;
    }
    m_typed.clear();
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
