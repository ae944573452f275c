#pragma once

#include "engine/RunStatus.h"
#include "registration/LoginExchange.h"

#include <QObject>

class Clock;
class Engine;

// The run's status (what --status prints) from what the engine already
// reports: both login sessions' replies, the checks, the mapping keeper's log,
// its mappings and the router's external address, dated by `clock`. The
// daemon writes it to the status file; the bus shows it.
class StatusWatch : public QObject
{
    Q_OBJECT

public:
    StatusWatch(Engine& engine, const Clock& clock);

    // The status file's text, and what it says.
    QString text() const { return m_text; }
    const RunStatus& status() const { return m_status; }

signals:
    void textChanged(const QString& text);

private:
    void onLoginReply(const QString& domain, LoginExchange::ReplyKind kind, const QString& resolvedAddress);
    // The checks saw this machine at `address` from outside, now.
    void notePublicAddress(const QString& address);
    void update();

    Engine& m_engine;
    const Clock& m_clock;
    RunStatus m_status;
    QString m_pageAddress; // what the provider's page said when last read
    QString m_text;
};
