#include "engine/LocalLogins.h"

#include "registration/ClientState.h"
#include "registration/LoginEngine.h"
#include "settings/SettingsLines.h"

LocalLogins::LocalLogins(ClientState& state, LoginEngine& engine, QObject* parent)
    : LoginsView(parent), m_state(state), m_engine(engine)
{
    connect(&engine, &LoginEngine::logLineSet, this, &LoginsView::logLineSet);
    connect(&engine, &LoginEngine::logLineAppended, this, &LoginsView::logLineAppended);
    connect(&engine, &LoginEngine::statusChanged, this, &LoginsView::statusChanged);
    connect(&engine, &LoginEngine::optionsChanged, this, &LoginsView::optionsChanged);
    connect(&state, &ClientState::autoLoginChanged, this, &LoginsView::optionsChanged);
    connect(&state, &ClientState::multiUserLinesChanged, this, &LoginsView::multiUserLinesChanged);
    connect(&engine.checks(), &AddressChecks::reloginWanted, this, &LoginsView::reloginWanted);
    LoginSession& primary = engine.primary();
    connect(&primary, &LoginSession::credentialsChanged, this, &LoginsView::credentialsChanged);
    connect(&primary, &LoginSession::localAddressChanged, this, [this](const QString& address) {
        m_localAddress = address;
        emit localAddressChanged(address);
    });
    connect(&primary, &LoginSession::publishedAddressChanged, this, [this](const QString& address) {
        m_publishedAddress = address;
        emit publishedAddressChanged(address);
    });
    connect(&primary, &LoginSession::unanswered, this, &LoginsView::loginUnanswered);
    connect(&primary, &LoginSession::refused, this,
            [this, &primary] { emit domainRefused(primary.domain().trimmed()); });
}

QStringList LocalLogins::logLines() const
{
    return m_engine.logLines();
}

QString LocalLogins::status() const
{
    return m_engine.status();
}

LanguageCode LocalLogins::languageCode() const
{
    return m_engine.languageCode();
}

QString LocalLogins::domain() const
{
    return m_engine.primary().domain();
}

QString LocalLogins::password() const
{
    return m_engine.primary().password();
}

QString LocalLogins::localAddress() const
{
    return m_localAddress;
}

QString LocalLogins::publishedAddress() const
{
    return m_publishedAddress;
}

QStringList LocalLogins::multiUserLines() const
{
    return m_state.multiUserLines();
}

bool LocalLogins::autoLogin() const
{
    return m_state.autoLogin();
}

bool LocalLogins::multiUserOn() const
{
    return m_state.settingOn(SettingsLine::MultiUser);
}

bool LocalLogins::resolveLocalTicked() const
{
    return m_state.resolveLocalTicked();
}

bool LocalLogins::fixedAddressOn() const
{
    return m_state.fixedAddress().has_value();
}

QString LocalLogins::settingsFile(const QString& name) const
{
    return m_engine.settings().programFile(name);
}

void LocalLogins::begin()
{
    m_engine.begin();
}

void LocalLogins::logIn(const QString& domain, const QString& password)
{
    m_engine.logIn(domain, password);
}

void LocalLogins::setFormCredentials(const QString& domain, const QString& password)
{
    m_engine.setFormCredentials(domain, password);
}

void LocalLogins::setAutoLogin(bool on)
{
    m_engine.setAutoLogin(on);
}

void LocalLogins::setMultiUserOption(bool on)
{
    m_engine.setMultiUserOption(on);
}

void LocalLogins::setRunHiddenOption(bool on)
{
    m_engine.setRunHiddenOption(on);
}

void LocalLogins::setResolveLocalOption(bool on)
{
    m_engine.setResolveLocalOption(on);
}

void LocalLogins::setFixedAddressOption(std::optional<QString> address)
{
    m_engine.setFixedAddressOption(std::move(address));
}

void LocalLogins::addListEntry(const QString& domain, const QString& password)
{
    m_engine.addListEntry(domain, password);
}

void LocalLogins::removeListEntry(const QString& taken)
{
    m_engine.removeListEntry(taken);
}

void LocalLogins::openPage(const QString& url)
{
    m_engine.openPage(url);
}

void LocalLogins::setStatus(const QString& text)
{
    m_engine.eventLog().setStatus(text);
}

void LocalLogins::endSession()
{
    m_engine.endSession();
}
