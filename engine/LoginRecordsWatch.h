#pragma once

#include "engine/EngineRecords.h"

#include <QObject>

class Clock;
class LoginEngine;
class LoginSession;

// Each server's login of each domain, from what the two sessions report:
// sent, answered (registered or refused) or left unanswered.
class LoginRecordsWatch : public QObject
{
    Q_OBJECT

public:
    LoginRecordsWatch(LoginEngine& logins, Clock& clock, QObject* parent = nullptr);

    // Primary first, each server's domains in the order they were first sent.
    LoginRecords records() const { return m_records; }

signals:
    void changed();

private:
    void follow(LoginSession& session, const QString& server);
    LoginRecord& recordOf(const QString& server, const QString& domain);

    Clock& m_clock;
    LoginRecords m_records;
};
