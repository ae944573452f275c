#include "registration/LoginEngine.h"

#include "registration/ClientState.h"
#include "settings/SettingsLines.h"

// The secondary session follows every login of the primary one and keeps
// its own local check; everything it says goes to event-log line 1 and the history.
void LoginEngine::connectSecondary()
{
    secondaryStartupTimer.setOnTimer([this] {
        secondaryStartupTimer.setInterval(0);
        if (m_state.autoLogin())
            secondaryLogInAutomatically();
    });
    secondaryFollowLoginTimer.setOnTimer([this] {
        secondaryFollowLoginTimer.setInterval(0);
        m_log.setLine(1, m_log.timeOfDay());
        secondaryLogIn();
    });
    secondaryFollowAutoTimer.setOnTimer([this] {
        secondaryFollowAutoTimer.setInterval(0);
        m_log.setLine(1, m_log.timeOfDay() + u'.');
        secondaryLogInAutomatically();
    });
    secondaryLocalCheckTimer.setOnTimer([this] { secondaryLocalCheck(); });

    connect(&m_secondary, &LoginSession::succeeded, this, [this](const QString& previousAddress) {
        if (m_state.settingOn(SettingsLine::MultiUser))
            m_secondaryPass.moveOn();
        else if (!m_state.fixedAddress() &&
                 (previousAddress == m_platform.localAddress.localAddress() || m_state.resolveLocalTicked()))
            secondaryLocalCheckTimer.setInterval(3000);
    });
    connect(&m_secondary, &LoginSession::refused, this, [this] {
        if (m_state.settingOn(SettingsLine::MultiUser))
            m_secondaryPass.moveOn();
    });
    connect(&m_secondary, &LoginSession::notServed, this, [this] { m_secondaryPass.moveOn(); });
    connect(&m_secondary, &LoginSession::unanswered, this, [this](const QString& domain) {
        if (!m_state.settingOn(SettingsLine::MultiUser)) {
            m_secondary.sendLogin();
            return;
        }
        m_secondaryPass.noteUnanswered(domain);
        m_secondaryPass.moveOn();
    });
    connect(&m_secondary, &LoginSession::pageRequested, this, &LoginEngine::openPage);
    connect(&m_secondaryPass, &MultiUserPass::finished, this, [this] {
        if (m_secondary.publishedAddress() == m_platform.localAddress.localAddress())
            secondaryLocalCheckTimer.setInterval(3000);
    });
}

void LoginEngine::secondaryLogIn()
{
    m_secondary.setCredentials(m_secondary.domain().trimmed(), m_secondary.password().trimmed());
    for (Timer* timer : {&secondaryStartupTimer, &secondaryLocalCheckTimer})
        timer->setInterval(0);
    m_secondaryPass.stop();
    m_secondary.sendIn(10);
    saveCredentialsIfAutoLogin(m_secondary.domain(), m_secondary.password());
}

// Stops no timer: with auto-login on, the local check keeps logging in again
// until a success reply brings the addresses in line.
void LoginEngine::secondaryLogInAutomatically()
{
    if (m_secondary.domain().trimmed().isEmpty() || m_secondary.password().trimmed().isEmpty())
        return;
    const bool multiUser = m_state.settingOn(SettingsLine::MultiUser);
    if (!multiUser)
        saveCredentialsIfAutoLogin(m_secondary.domain(), m_secondary.password());
    if (m_state.settingOn(SettingsLine::ResolveLocal))
        m_state.setIptype(true);
    if (!multiUser) {
        m_secondary.sendIn(100);
        return;
    }
    m_secondaryPass.begin(100);
}

void LoginEngine::secondaryLocalCheck()
{
    using Messages::CheckStatus;
    const QString published = m_secondary.publishedAddress();
    m_log.setLine(1, m_log.timeOfDay() +
                         Messages::checkStatus(m_language, CheckStatus::LocalCheckTick, published));
    if (published == m_platform.localAddress.localAddress())
        return;
    if (m_state.autoLogin())
        secondaryLogInAutomatically();
    else
        secondaryLogIn();
    m_log.setLine(1, m_log.timeOfDay() +
                         Messages::checkStatus(m_language, CheckStatus::LocalCheckChangeFound, published));
}
