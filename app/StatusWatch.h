#pragma once

#include "app/RunStatus.h"
#include "app/StatusFile.h"
#include "registration/LoginExchange.h"

class WindowSet;

// Keeps the status file up to date from what the windows already report: the
// primary session's login replies, the mapping keeper's log, its mappings and
// the router's external address.
class StatusWatch
{
public:
    StatusWatch(WindowSet& windows, const QString& statusPath);
    StatusWatch(const StatusWatch&) = delete;
    StatusWatch& operator=(const StatusWatch&) = delete;

private:
    void onLoginReply(const QString& domain, LoginExchange::ReplyKind kind, const QString& resolvedAddress);
    void update();

    WindowSet& m_windows;
    RunStatus m_status;
    StatusFile m_file;
};
