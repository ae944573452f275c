#pragma once

#include "platform/Timer.h"
#include "portmap/upnp/SoapAnswer.h"

#include <QList>
#include <QStringList>

#include <functional>

class TAutoNAT;

// Reads every mapping a router holds, one GetGenericPortMappingEntry after
// another, until the router says there are no more. The gateway client has
// one pair of task events, so its owner passes the ends of these tasks on.
class RouterMappingList
{
public:
    struct Result
    {
        QList<SoapAnswer::MappingEntry> entries;
        // False when the router stopped answering before the end.
        bool complete = false;
    };
    using Done = std::function<void(const Result&)>;
    // A router holds at most one mapping per protocol and public port: one
    // that gives more repeats itself, and must not keep the list going.
    static constexpr int MaxEntries = 2 * 65535;

    explicit RouterMappingList(TAutoNAT& nat);

    // Starts from the first entry; `done` is called once, at the end.
    void start(Done done);
    bool running() const { return bool(m_done); }
    // The end of a GetPortMappingAt task.
    void taskEnded(bool succeeded);

    // The lines that show a result: one a mapping, marked when it leads to
    // `localIp` or is one of the stored mapping lines; or why there are none.
    static QStringList describe(const Result& result, const QString& localIp, const QStringList& storedLines);

private:
    void askNext();
    void finish(bool complete);

    TAutoNAT& m_nat;
    // Each request starts from a timer tick, never from inside the client's
    // handler, and waits while another task of the client runs.
    Timer m_step;
    int m_index = 0;
    Result m_result;
    Done m_done;
};
