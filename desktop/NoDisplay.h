#pragma once

#include <QtGlobal>

// While it lives, Qt's fatal "no platform plugin" end (an abort after a hint
// about reinstalling) becomes one line that says no display was found and
// that --headless runs without one, and exit status 1. Qt's other messages
// are held back until the object ends, then given to the handler before it.
class NoDisplayGuard
{
public:
    NoDisplayGuard();
    ~NoDisplayGuard();
    NoDisplayGuard(const NoDisplayGuard&) = delete;
    NoDisplayGuard& operator=(const NoDisplayGuard&) = delete;

private:
    QtMessageHandler m_previous;
};
