#pragma once

#include "platform/MessageBoxes.h"
#include "platform/ThreadedHostResolver.h"
#include "platform/Timer.h"
#include "portmap/natpmp/NatPmpClient.h"
#include "portmap/upnp/RouterDiscovery.h"
#include "portmap/upnp/TAutoNAT.h"

#include <QHostAddress>
#include <QTimer>

#include <memory>
#include <optional>

// A command-line job on the router: the router found as the mapping keeper
// finds it, by UPnP, or its gateway when UPnP finds none; the job's own
// exchanges then. It ends when the job says so, or when the router has been
// silent for a minute, which it says.
class RouterJob
{
public:
    RouterJob();
    virtual ~RouterJob() = default;
    RouterJob(const RouterJob&) = delete;
    RouterJob& operator=(const RouterJob&) = delete;

    // The exit status of the program.
    int run();

protected:
    // The UPnP router answered, or the job asked to go on: its next step.
    virtual void step() = 0;
    // No UPnP router: `gateway` may speak NAT-PMP.
    virtual void noUpnpRouter(const QHostAddress& gateway) = 0;
    // Whether a task that ended was the job's own (else it was the search's).
    virtual bool ownTaskEnded(bool succeeded) = 0;

    // The next step, once the handler of the last answer has returned: the
    // client takes a new task only then.
    void stepAgain() { m_step.setInterval(1); }
    // An answer came: the router is not silent.
    void heard() { m_silence.start(); }
    void finish(int exitCode);

    class ConsoleMessageBoxes final : public MessageBoxes
    {
    public:
        void show(const QString& caption, const QString& text) override;
    };

    ThreadedHostResolver m_resolver;
    ConsoleMessageBoxes m_messageBoxes;
    TAutoNAT m_nat;
    std::unique_ptr<NatPmpClient> m_natPmp;

private:
    void taskEnded(bool succeeded);
    void noRouter();

    RouterDiscovery m_discovery;
    Timer m_step;
    QTimer m_silence;
    int m_exitCode = 1;
};
