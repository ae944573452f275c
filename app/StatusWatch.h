#pragma once

#include "app/RunStatus.h"
#include "app/StatusFile.h"
#include "registration/LoginExchange.h"

class Engine;

// Keeps the status file up to date from what the engine already reports:
// both login sessions' replies, the mapping keeper's log, its mappings and the
// router's external address.
class StatusWatch
{
public:
    StatusWatch(Engine& engine, const QString& statusPath);
    StatusWatch(const StatusWatch&) = delete;
    StatusWatch& operator=(const StatusWatch&) = delete;

private:
    void onLoginReply(const QString& domain, LoginExchange::ReplyKind kind, const QString& resolvedAddress);
    void update();

    Engine& m_engine;
    RunStatus m_status;
    StatusFile m_file;
};
