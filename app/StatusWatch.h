#pragma once

#include "app/RunStatus.h"
#include "app/StatusFile.h"
#include "registration/LoginExchange.h"

#include <QObject>

class Engine;

// Keeps the status file up to date from what the engine already reports:
// both login sessions' replies, the mapping keeper's log, its mappings and the
// router's external address.
class StatusWatch : public QObject
{
    Q_OBJECT

public:
    StatusWatch(Engine& engine, const QString& statusPath);

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
    StatusFile m_file;
};
