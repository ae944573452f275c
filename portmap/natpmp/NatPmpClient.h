#pragma once

#include "platform/Timer.h"
#include "portmap/natpmp/NatPmpCodec.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUdpSocket>

#include <memory>

// Talks NAT-PMP to one gateway: one request at a time, sent again after
// waits that double from 250 ms and given up after `tries` sends (at most 9,
// the RFC's 64 s); only answers from the gateway's own address and port
// count. Every mapping it took is asked for again at half the lifetime the
// gateway granted, until it is deleted. A mapping is its protocol and
// external port: several may lead to one internal port.
//
// Tests read the timers' intervals and call their handlers directly.
class NatPmpClient : public QObject
{
    Q_OBJECT

public:
    using Protocol = NatPmp::Protocol;
    using Mapping = NatPmp::Mapping;

    static constexpr quint32 defaultLifetimeSeconds = 7200;

    explicit NatPmpClient(const QHostAddress& gateway, quint16 port = NatPmp::serverPort, int tries = 4,
                          quint32 lifetimeSeconds = defaultLifetimeSeconds, QObject* parent = nullptr);
    ~NatPmpClient() override;

    void requestExternalAddress();
    // The address this machine has towards the gateway; empty when no route leads there.
    QString localAddress() const;
    // Maps (and keeps renewing) the internal port, asking for that external port.
    void map(Protocol protocol, quint16 internalPort, quint16 externalPort);
    // Stops renewing and asks the gateway to let the mapping go. NAT-PMP
    // deletes by internal port, which takes every mapping to that port: the
    // others held are asked for again at once.
    void unmap(Protocol protocol, quint16 internalPort, quint16 externalPort);

    // The current request's next send; stopped while none is waiting.
    Timer retryTimer;
    // The renewal of each mapping held, by protocol and external port.
    Timer* renewalOf(Protocol protocol, quint16 externalPort) const;

signals:
    // `epoch`: the gateway's seconds since it started (see NatPmp::gatewayRestarted).
    void externalAddressRead(const QString& address, quint32 epoch);
    // `externalPort`: the one the gateway gave, which may differ from the one asked for.
    void mapped(const NatPmp::Mapping& asked, quint16 externalPort, quint32 lifetime);
    void unmapped(const NatPmp::Mapping& mapping);
    // The gateway said no (a NAT-PMP result code), or never answered (result -1).
    void refused(const NatPmp::Mapping& asked, int result);
    void externalAddressFailed(int result);

private:
    struct Request
    {
        enum Kind
        {
            ExternalAddress,
            Map,
            Unmap,
        };
        Kind kind = ExternalAddress;
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
    bool take(const QByteArray& datagram);
    void finishCurrent();
    void fail(int result);
    void keepRenewing(const Mapping& asked, quint16 externalPort, quint32 lifetime);
    void mapAgainBesides(const Mapping& deleted);
    // A delete of that mapping waits behind the request under way: its answer starts no renewal.
    bool deleteWaits(Protocol protocol, quint16 externalPort) const;
    static int key(Protocol protocol, quint16 externalPort);

    QHostAddress m_gateway;
    quint16 m_port;
    int m_tries;
    quint32 m_lifetimeSeconds; // asked for with each add and renewal
    QUdpSocket m_socket;
    QList<Request> m_queue; // the first is under way
    int m_sends = 0;
    QHash<int, Renewal> m_renewals;
};
