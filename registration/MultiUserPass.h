#pragma once

#include "platform/Platform.h"
#include "platform/Timer.h"

#include <QObject>
#include <QStringList>

class ClientState;
class EventLogLines;
class LoginSession;

// One pass over the multi-user list for one login session: each entry's domain
// and stored password go into the session, which logs them in one after the
// other. An entry without a reply after its sends does not hold up the rest:
// it is tried once more at the end of the pass, and again at the next pass.
class MultiUserPass : public QObject
{
    Q_OBJECT

public:
    MultiUserPass(const Platform& platform, ClientState& state, EventLogLines& log, LoginSession& session,
                  QObject* parent = nullptr);

    // A pass from the first entry, `delayMs` from now.
    void begin(int delayMs);
    // The next entry soon: the session is done with the current one.
    void moveOn() { passStepTimer.setInterval(10); }
    // The session's current entry got no answer: it comes again at the end.
    void noteUnanswered(const QString& domain);
    void stop();

    Timer passStepTimer;    // "Timer7"
    Timer networkWaitTimer; // "Timer8"

signals:
    // Every entry had its turn.
    void finished();

private:
    void step();
    void waitForNetwork();

    Platform m_platform;
    ClientState& m_state;
    EventLogLines& m_log;
    LoginSession& m_session;
    QStringList m_domains; // this round's
    int m_index = 0;
    QStringList m_unanswered;
    bool m_retryRound = false;
};
