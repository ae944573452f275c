#pragma once

#include "engine/RunStatus.h"
#include "registration/LoginExchange.h"

#include <QObject>

class Engine;

// The run's status (what --status prints) from what the engine already
// reports: both login sessions' replies, the mapping keeper's log, its
// mappings and the router's external address. The daemon writes it to the
// status file; the bus shows it.
class StatusWatch : public QObject
{
    Q_OBJECT

public:
    explicit StatusWatch(Engine& engine);

    // The status file's text.
    QString text() const { return m_text; }

signals:
    void textChanged(const QString& text);

private:
    void onLoginReply(const QString& domain, LoginExchange::ReplyKind kind, const QString& resolvedAddress);
    void update();

    Engine& m_engine;
    RunStatus m_status;
    QString m_text;
};
