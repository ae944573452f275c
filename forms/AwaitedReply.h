#pragma once

#include <QString>

class Session;
class TNMUDP;

// The one reply a login may get, for both login sessions: from the server
// address and port the login went to, and once. Anyone else could open pages
// carrying the password, stop the retries, switch the port, or flood the log
// and the settings file.
class AwaitedReply
{
public:
    // Every login sent through `endpoint` awaits its reply from then on, and
    // names a provider server that may confirm addresses to the checks.
    void watch(TNMUDP& endpoint, Session& session);

    bool accepts(const QString& fromIP, int port) const
    {
        return m_awaited && fromIP == m_serverAddress && port == m_serverPort;
    }
    void answered() { m_awaited = false; }
    bool awaited() const { return m_awaited; }

private:
    bool m_awaited = false;
    QString m_serverAddress;
    int m_serverPort = 0;
};
