#pragma once

#include "fakes/FakeGateway.h"
#include "fakes/FakePlatform.h"
#include "portmap/upnp/TAutoNAT.h"

#include <QList>
#include <QTest>

#include <chrono>

// TAutoNAT aimed at a fake gateway on 127.0.0.1, recording its events.
struct AutoNATRig
{
    struct Event
    {
        bool success;
        TAutoNAT::TaskType task; // as the handler saw it
        QString lcm;             // as the handler saw it
        bool operator==(const Event&) const = default;
    };

    FakeGateway gateway;
    FakeHostResolver resolver;
    FakeMessageBoxes messageBoxes;
    TAutoNAT nat{resolver, messageBoxes};
    QList<Event> events;

    AutoNATRig()
    {
        resolver.hosts.insert(QStringLiteral("127.0.0.1"), {0x7f000001});
        nat.aimSearch(QStringLiteral("127.0.0.1"), gateway.ssdpPort(), 0);
        nat.setReadPause(std::chrono::milliseconds(0));
        nat.OnTaskSuccess = [this](TAutoNAT* sender) { record(sender, true); };
        nat.OnTaskFail = [this](TAutoNAT* sender) { record(sender, false); };
    }

    void record(TAutoNAT* sender, bool success)
    {
        QCOMPARE(sender, &nat);
        events.append({success, sender->task(), sender->lcm()});
    }

    // Waits (bounded) until `count` events have come.
    bool waitForEvents(int count)
    {
        return QTest::qWaitFor([&] { return events.size() >= count; }, 5000);
    }

    // Lets the datagrams and segments already sent be handled, for checks
    // that nothing followed from them.
    static void settle() { QTest::qWait(50); }

    static Event success(TAutoNAT::TaskType task, const QString& lcm = {}) { return {true, task, lcm}; }
    static Event failure(TAutoNAT::TaskType task, const QString& lcm = {}) { return {false, task, lcm}; }

    QString gatewayHost() const { return QStringLiteral("127.0.0.1"); }

    // Search and description, as the window runs them at start-up.
    bool discover()
    {
        const int before = int(events.size());
        if (!nat.FindDevice() || !waitForEvents(before + 1) || !events.last().success)
            return false;
        if (!nat.GetControlPage() || !waitForEvents(before + 2) || !events.last().success)
            return false;
        return true;
    }
};

inline char* toString(const AutoNATRig::Event& event)
{
    return QTest::toString(QStringLiteral("%1(%2, lcm \"%3\")")
                               .arg(event.success ? "success" : "failure")
                               .arg(int(event.task))
                               .arg(event.lcm));
}
