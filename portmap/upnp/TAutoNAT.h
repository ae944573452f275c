#pragma once

#include "portmap/upnp/SoapAnswer.h"
#include "portmap/upnp/SoapRequest.h"
#include "portmap/upnp/SsdpSearch.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class HostResolver;
class MessageBoxes;
class TClientSocket;
class TClientWinSocket;
class TNMUDP;
class Timer;

// The UPnP gateway client: finds the Internet gateway by SSDP, reads its
// device description, and sends port-mapping actions to it. One task runs at
// a time; each start returns whether it started, and its end is reported by
// OnTaskSuccess or OnTaskFail, after which task() tells which task it was:
// TimedOut after a time-out. The time limit covers the whole task, the HTTP
// answer included: when it passes, the task fails and its connection, or the
// attempt to make one, is dropped.
//
// Rules beyond the usual ones:
// - Starting a task quietly abandons a connection an earlier task left open
//   or still being made: its late answer would otherwise be taken for the
//   new task's.
// - An answer that grows past GatewayHttp::MaxResponseBytes without being
//   complete fails its task.
// - Only answers whose location names their sender count
//   (SsdpSearch::readDatagram). The first one ends the search; later ones,
//   until Timeout has passed since the search began, are kept as further
//   devices to try (takeNextDevice): a TV or a NAS may answer before the
//   router. Anything else of the network could move the target of later tasks.
// - An HTTP task connects to the host and port fixed when it started.
// - An answer is handled as soon as it is whole (its length reached, its
//   last chunk, or the gateway's close); the read pause (a timer: the thread
//   never waits) only bounds the wait for the next read of one that is not,
//   and reading goes on until the answer is whole or the task's deadline
//   passes. An answer without a length that is not chunked
//   is whole when the gateway closes, or is taken as it stands at the
//   deadline.
class TAutoNAT
{
public:
    // The numbers are those the client has always reported; beside each, the start that runs it.
    enum class TaskType
    {
        None = 0,            // no task yet
        Search = 1,          // FindDevice
        ControlPage = 2,     // GetControlPage
        AddPort = 3,         // AddPort
        ExternalAddress = 4, // GetExternalIp
        DeletePort = 5,      // DeletePort
        MappingEntry = 6,    // GetPortMapping
        MappingAt = 7,       // GetPortMappingAt
        AddPinhole = 8,      // AddPinhole
        UpdatePinhole = 9,   // UpdatePinhole
        DeletePinhole = 10,  // DeletePinhole
        TimedOut = -1,
    };

    using TNotifyEvent = std::function<void(TAutoNAT* Sender)>;

    TAutoNAT(HostResolver& resolver, MessageBoxes& messageBoxes);
    ~TAutoNAT();
    TAutoNAT(const TAutoNAT&) = delete;
    TAutoNAT& operator=(const TAutoNAT&) = delete;

    int Timeout() const { return m_Timeout; }
    // 1000 to 30000 ms; any other value is refused with a message box.
    void setTimeout(int value);
    TaskType task() const { return m_TaskType; }
    const QString& RouterIp() const { return m_RouterIp; }
    int RouterPort() const { return m_RouterPort; }
    const QString& RouterLocation() const { return m_RouterLocation; }
    const QString& RouterName() const { return m_RouterName; }
    const QString& RouterUSN() const { return m_RouterUSN; }
    // The boot the device's answer named; empty from a UPnP 1.0 device.
    const QByteArray& routerBootId() const { return m_routerBootId; }
    const QString& RouterURL() const { return m_RouterURL; }
    const QString& ExternalIp() const { return m_ExternalIp; }
    const QString& ControlURL() const { return m_ControlURL; }
    const QString& URLBase() const { return m_URLBase; }
    // The control URL of WANIPv6FirewallControl; empty when the description offered none.
    const QString& firewallControlURL() const { return m_firewallControlURL; }
    // The WAN service the description offered, "WANIPConnection" or
    // "WANPPPConnection" (PPP when it offers both): the SOAP actions' namespace.
    const QString& IPPPP() const { return m_IPPPP; }
    // The host and port every SOAP request connects to and names in its Host
    // header: RouterIp and RouterPort as they were when the description was
    // read; empty and 0 before.
    const QString& lcm() const { return m_lcm; }
    int lcm2() const { return m_lcm2; }

    TNotifyEvent OnTaskSuccess;
    TNotifyEvent OnTaskFail;
    // Every SSDP NOTIFY that reaches the search socket, with its sender's
    // address, whatever task runs. Aimed at the multicast group, the socket
    // hears the group's announcements as well as the answers to its searches.
    std::function<void(const QByteArray& datagram, const QString& senderIp)> OnAnnouncement;

    bool FindDevice();
    bool GetControlPage();
    bool AddPort(const QString& Description, int ExternalPort, const QString& InternalClient,
                 int InternalPort, const QString& Protocol);
    // Never refused: takes over whatever task runs.
    bool GetExternalIp();
    bool DeletePort(int ExternalPort, const QString& Protocol);
    // The router's entry for one mapping, or for the index-th of all it holds;
    // refused like AddPort. The entry, when the answer held a valid one, is
    // then in mappingEntry().
    bool GetPortMapping(int ExternalPort, const QString& Protocol);
    bool GetPortMappingAt(int index);
    // IPv6 pinholes: refused like AddPort, and when the router offers no
    // firewall control. A router opens a pinhole only to the address that
    // asks, so they go over IPv6, from the pinhole's own address to the
    // router's (at the description's port). A pinhole added is then in pinholeId().
    struct PinholePath
    {
        QString router; // an IPv6 address, "%interface" after a link-local one
        QString local;  // this machine's global IPv6 address: the pinhole's
    };
    bool AddPinhole(const PinholePath& path, int InternalPort, const QString& Protocol, int LeaseSeconds);
    bool UpdatePinhole(const PinholePath& path, int UniqueId, int LeaseSeconds);
    bool DeletePinhole(const PinholePath& path, int UniqueId);

    // What the last HTTP task learnt beyond its success: the entry of a
    // mapping task, the UPnP error of a refusal, and whether the gateway
    // answered at all (false after a refused connection or a time-out).
    const std::optional<SoapAnswer::MappingEntry>& mappingEntry() const { return m_entry; }
    const std::optional<SoapAnswer::Fault>& fault() const { return m_fault; }
    std::optional<int> pinholeId() const { return m_pinholeId; }
    bool answered() const { return m_answered; }
    // This machine's address on the last connection to the gateway: the
    // address the gateway sees, so the one mappings must point to.
    const QString& LocalIp() const { return m_localIp; }

    // Moves the Router* values to the next device that answered the last
    // search and has not been tried; false when there is none (yet).
    bool takeNextDevice();
    // Whether answers to the last search are still taken.
    bool searchListening() const;

    bool busy() const { return m_busy; }
    // Ends the task under way without reporting it, as when the network it
    // went through is gone; the answers to an earlier search are no longer taken.
    void abandonTask();
    bool taskTimerRunning() const;
    // The task timer's tick, callable so that tests need not wait for it.
    void timeOut();

    // Where the search goes and the local port it leaves from; tests aim it
    // at a responder on 127.0.0.1 instead of the SSDP multicast group.
    void aimSearch(const QString& host, int remotePort, int localPort);
    // Joins the multicast group the search goes to again, on the interface
    // the route to it takes now (after the machine's addresses changed).
    void rejoinSearchGroup();
    // The longest wait (1000 ms) for the next read of an HTTP answer that
    // is not whole yet; tests and benchmarks shorten it.
    void setReadPause(std::chrono::milliseconds pause) { m_readPause = pause; }

private:
    void startTask(TaskType taskType, QByteArray request);
    bool startSoapTask(TaskType taskType, QByteArray request);
    bool startPinholeTask(TaskType taskType, const PinholePath& path, QByteArray request);
    SoapRequest::Target pinholeTarget(const PinholePath& path) const;
    void useDevice(const SsdpSearch::Reading& device);
    void dropConnection();
    void connectTo(const QString& host, int port, const QString& bindAddress = {});
    void TaskSucceeded();
    void TaskFailed();
    void raise(const TNotifyEvent& event);

    void searchResponse(int NumberBytes, const QString& FromIP);
    void sendRequest(TClientWinSocket* Socket);
    void readResponse(TClientWinSocket* Socket);
    void readAfterPause();
    void readAvailable();
    void peerClosed();
    void finishAnswer();
    void handleResponse();
    void handleDescription();
    void handleSoapAnswer();

    int m_Timeout = 5000;
    TaskType m_TaskType = TaskType::None;
    QString m_RouterIp;
    int m_RouterPort = 0;
    QString m_RouterLocation;
    QString m_RouterName;
    QString m_RouterUSN;
    QByteArray m_routerBootId;
    QString m_RouterURL;
    QString m_ExternalIp = QStringLiteral("0.0.0.0");
    QString m_ControlURL;
    QString m_URLBase;
    QString m_firewallControlURL;
    QString m_IPPPP;
    QString m_lcm;
    int m_lcm2 = 0;

    MessageBoxes& m_messageBoxes;
    bool m_busy = false;
    QByteArray m_request;
    bool m_requestSent = false;
    QByteArray m_response;
    std::chrono::steady_clock::time_point m_deadline;
    // Where the current HTTP task connects.
    QString m_targetHost;
    int m_targetPort = 0;
    // Changes whenever a task starts, so that a handler that started another
    // task is noticed before the old connection is closed under the new one.
    quint64 m_taskSerial = 0;
    std::chrono::milliseconds m_readPause{1000};
    bool m_pausedOnce = false;
    bool m_answered = false;
    std::optional<SoapAnswer::MappingEntry> m_entry;
    std::optional<SoapAnswer::Fault> m_fault;
    std::optional<int> m_pinholeId;
    QString m_localIp;
    QList<SsdpSearch::Reading> m_devices; // in order of arrival, the first in use
    qsizetype m_devicesTried = 0;
    std::chrono::steady_clock::time_point m_searchUntil;

    std::unique_ptr<TNMUDP> m_udp;
    std::unique_ptr<Timer> m_taskTimer;
    std::unique_ptr<Timer> m_readPauseTimer;
    std::unique_ptr<TClientSocket> m_client;
};
