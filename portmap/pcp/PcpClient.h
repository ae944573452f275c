#pragma once

#include "platform/Timer.h"
#include "portmap/pcp/PcpCodec.h"

#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUdpSocket>

#include <memory>

class Clock;

// A request's sends: the waits after them double from the first up to the longest.
struct PcpTiming
{
    int firstWaitMs = 3000;
    int longestWaitMs = 24000;
    int tries = 4;

    // Within what a timer can count, whatever a caller asks.
    PcpTiming bounded() const;
    // The wait after the request's send numbered `sends` (from 0).
    int waitAfter(int sends) const;
};

// Talks PCP to one gateway: one MAP request at a time, sent again after
// waits that start at 3 s and double up to a cap (RFC 6887 8.1.1), given up
// after a few sends. Only answers from the gateway's address and port that
// carry the request's nonce count. Every mapping it took is asked for again
// at half the lifetime the gateway granted, until it is deleted; the gateway's
// epoch is followed, and a gateway that lost its state gets every held
// mapping again. A mapping is its protocol and external port.
class PcpClient : public QObject
{
    Q_OBJECT

public:
    using Protocol = Pcp::Protocol;
    using Mapping = Pcp::Mapping;

    using Timing = PcpTiming;

    static constexpr quint32 defaultLifetimeSeconds = 7200;
    // The throw-away mapping that reads the external address lives no longer.
    static constexpr quint32 probeLifetimeSeconds = 120;

    PcpClient(Clock& clock, const QHostAddress& gateway, quint16 port = Pcp::serverPort, Timing timing = {},
              quint32 lifetimeSeconds = defaultLifetimeSeconds, QObject* parent = nullptr);
    ~PcpClient() override;

    // PCP has no request for the address alone: a short mapping of the
    // discard port is made and deleted again. Every mapping's answer gives it too.
    void requestExternalAddress();
    // The address this machine has towards the gateway; empty when no route leads there.
    QString localAddress() const;
    // Maps (and keeps renewing) the internal port, asking for that external port.
    void map(Protocol protocol, quint16 internalPort, quint16 externalPort);
    // Stops renewing and asks the gateway to let the mapping go. The gateway
    // knows a mapping by its internal port: the others held to that port are
    // asked for again at once.
    void unmap(Protocol protocol, quint16 internalPort, quint16 externalPort);
    bool holds(Protocol protocol, quint16 externalPort) const;

signals:
    // `epoch`: the gateway's seconds since it started.
    void externalAddressRead(const QString& address, quint32 epoch);
    // `externalPort`: the one the gateway gave, which may differ from the one asked for.
    void mapped(const Pcp::Mapping& asked, quint16 externalPort, quint32 lifetime);
    void unmapped(const Pcp::Mapping& mapping);
    // The gateway said no (a PCP result code), or never answered (result -1).
    void refused(const Pcp::Mapping& asked, int result);
    void externalAddressFailed(int result);
    // Its epoch says the gateway restarted; the held mappings are being asked for again.
    void gatewayRestarted();

private:
    struct Request
    {
        enum Kind
        {
            Probe,
            ProbeDelete,
            Map,
            Unmap,
        };
        Kind kind = Map;
        Mapping mapping;
    };
    struct Renewal
    {
        Mapping mapping; // as the gateway gave it
        std::shared_ptr<Timer> timer;
    };

    void enqueue(const Request& request);
    void sendCurrent();
    void resend();
    void readDatagrams();
    bool take(const Pcp::MapAnswer& answer);
    void followEpoch(quint32 epoch);
    void finishCurrent();
    void fail(int result);
    void keepRenewing(const Mapping& asked, quint16 externalPort, quint32 lifetime);
    void mapAgainBesides(const Mapping& deleted);
    bool deleteWaits(Protocol protocol, quint16 externalPort) const;
    Pcp::Nonce& nonceOf(Protocol protocol, quint16 internalPort);
    static int key(Protocol protocol, quint16 port);

    Clock& m_clock;
    QHostAddress m_gateway;
    quint16 m_port;
    Timing m_timing;
    quint32 m_lifetimeSeconds;
    QUdpSocket m_socket;
    Timer m_retryTimer;
    QList<Request> m_queue; // the first is under way
    int m_sends = 0;
    QHash<int, Renewal> m_renewals; // by protocol and external port
    // One per internal port: the gateway ties a mapping's renewal and deletion to it.
    QHash<int, Pcp::Nonce> m_nonces;
    std::optional<quint32> m_epoch;
    QDateTime m_epochReadAt;
};
