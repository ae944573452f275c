#include "engine/LoginRecordsWatch.h"

#include "platform/Clock.h"
#include "registration/LoginEngine.h"
#include "registration/LoginExchange.h"

#include <algorithm>

LoginRecordsWatch::LoginRecordsWatch(LoginEngine& logins, Clock& clock, QObject* parent)
    : QObject(parent), m_clock(clock)
{
    follow(logins.primary(), QStringLiteral("primary"));
    follow(logins.secondary(), QStringLiteral("secondary"));
}

void LoginRecordsWatch::follow(LoginSession& session, const QString& server)
{
    // The session's own domain, not the reply's text: a reply may name
    // anything, and the record is of what this program logged in.
    connect(&session, &LoginSession::loginSent, this, [this, &session, server] {
        recordOf(server, session.domain().trimmed()).state = QStringLiteral("logging-in");
        emit changed();
    });
    connect(&session, &LoginSession::replied, this,
            [this, &session, server](const QString&, LoginExchange::ReplyKind kind, const QString& address) {
                LoginRecord& record = recordOf(server, session.domain().trimmed());
                switch (kind) {
                case LoginExchange::ReplyKind::Success:
                    record.state = QStringLiteral("registered");
                    record.address = address;
                    record.lastSuccess = m_clock.now().toSecsSinceEpoch();
                    record.lastError.clear();
                    break;
                case LoginExchange::ReplyKind::NotRegistered:
                    record.state = QStringLiteral("refused");
                    record.lastError = QStringLiteral("the provider does not know this domain and password");
                    break;
                case LoginExchange::ReplyKind::Disabled:
                    record.state = QStringLiteral("refused");
                    record.lastError = QStringLiteral("the provider has stopped serving this domain");
                    break;
                case LoginExchange::ReplyKind::Unrecognised:
                    return;
                }
                emit changed();
            });
    connect(&session, &LoginSession::unanswered, this, [this, server](const QString& domain) {
        LoginRecord& record = recordOf(server, domain.trimmed());
        record.state = QStringLiteral("unanswered");
        record.lastError = QStringLiteral("the server did not answer");
        emit changed();
    });
}

LoginRecord& LoginRecordsWatch::recordOf(const QString& server, const QString& domain)
{
    const auto same = [&](const LoginRecord& record) {
        return record.server == server && record.domain.compare(domain, Qt::CaseInsensitive) == 0;
    };
    const auto found = std::find_if(m_records.begin(), m_records.end(), same);
    if (found != m_records.end())
        return *found;
    // The secondary server's records after the primary one's.
    const auto firstSecondary = std::find_if(m_records.begin(), m_records.end(), [](const LoginRecord& record) {
        return record.server == QStringLiteral("secondary");
    });
    const auto at = server == QStringLiteral("primary") ? firstSecondary : m_records.end();
    return *m_records.insert(at, LoginRecord{server, domain, QStringLiteral("idle"), {}, 0, {}});
}
