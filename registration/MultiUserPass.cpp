#include "registration/MultiUserPass.h"

#include "messages/Messages.h"
#include "registration/ClientState.h"
#include "registration/EventLogLines.h"
#include "registration/LoginSession.h"
#include "registration/StoredPassword.h"
#include "settings/MultiUserList.h"
#include "settings/SettingsLines.h"

MultiUserPass::MultiUserPass(const Platform& platform, ClientState& state, EventLogLines& log,
                             LoginSession& session, QObject* parent)
    : QObject(parent), passStepTimer(platform.clock), networkWaitTimer(platform.clock), m_platform(platform),
      m_state(state), m_log(log), m_session(session)
{
    passStepTimer.setOnTimer([this] { step(); });
    networkWaitTimer.setOnTimer([this] { waitForNetwork(); });
}

void MultiUserPass::begin(int delayMs)
{
    m_domains.clear();
    for (const QString& line : m_state.multiUserLines())
        m_domains << MultiUserList::entryDomain(line);
    m_index = 0;
    m_unanswered.clear();
    m_retryRound = false;
    passStepTimer.setInterval(delayMs);
}

void MultiUserPass::noteUnanswered(const QString& domain)
{
    if (!m_retryRound && !m_unanswered.contains(domain))
        m_unanswered << domain;
}

void MultiUserPass::stop()
{
    passStepTimer.setInterval(0);
    networkWaitTimer.setInterval(0);
}

void MultiUserPass::step()
{
    passStepTimer.setInterval(0);
    if (m_state.settingOff(SettingsLine::MultiUser))
        return;
    if (m_index >= m_domains.size() && !m_retryRound && !m_unanswered.isEmpty()) {
        m_domains = std::exchange(m_unanswered, {});
        m_index = 0;
        m_retryRound = true;
    }
    if (m_index >= m_domains.size()) {
        emit finished();
        return;
    }
    const QString domain = m_domains.at(m_index++);
    const auto stored = m_platform.keyStore.value(domain);
    if (!stored) {
        // One entry without its password must not stop the rest of the list,
        // nor leave its domain beside the previous entry's password.
        m_log.appendHistory(Messages::entryPasswordMissing(m_session.languageCode(), domain));
        passStepTimer.setInterval(10);
        return;
    }
    m_session.setCredentials(domain, StoredPassword::decode(*stored));
    networkWaitTimer.setInterval(100);
}

void MultiUserPass::waitForNetwork()
{
    networkWaitTimer.setInterval(0);
    if (m_platform.localAddress.localAddress() == QStringLiteral("127.0.0.1")) {
        networkWaitTimer.setInterval(1000); // no network yet
        return;
    }
    m_session.sendLogin();
}
