#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

// Turns SIGTERM, SIGINT and SIGHUP (how a Linux desktop ends its session or a
// user stops the program) into a call on the event loop, so that the program
// ends as it does when its window is closed. One instance per process.
class TerminationSignals
{
public:
    explicit TerminationSignals(std::function<void()> onTerminate);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::function<void()> m_onTerminate;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
