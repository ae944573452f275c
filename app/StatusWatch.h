#pragma once

#include "app/RunStatus.h"
#include "app/StatusFile.h"
#include "platform/CodePage.h"

class WindowSet;

// Keeps the status file up to date from what the windows already report: the
// primary session's login replies, the port mapping window's log, its mappings
// and the router's external address.
class StatusWatch
{
public:
    StatusWatch(WindowSet& windows, const CodePage& codePage, const QString& statusPath);
    StatusWatch(const StatusWatch&) = delete;
    StatusWatch& operator=(const StatusWatch&) = delete;

private:
    void onLoginReply(const QString& fromIP);
    void update();

    WindowSet& m_windows;
    CodePage m_codePage;
    RunStatus m_status;
    StatusFile m_file;
};
