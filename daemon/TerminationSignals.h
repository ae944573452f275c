#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

// Turns SIGTERM and SIGINT (how a Linux desktop ends its session or a user
// stops the program) into a call on the event loop, so that the program ends
// as it does when its window is closed; and SIGHUP, as for network daemons,
// into a reload of the files. One instance per process.
class TerminationSignals
{
public:
    TerminationSignals(std::function<void()> onTerminate, std::function<void()> onReload);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::function<void()> m_onTerminate;
    std::function<void()> m_onReload;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
