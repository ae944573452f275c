#pragma once

#include "platform/Timer.h"
#include "portmap/RouterMapper.h"
#include "portmap/pcp/PcpClient.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

#include <optional>

class Clock;

// IPv6 pinholes by PCP (RFC 6887): a MAP for one of this machine's IPv6
// addresses opens the gateway's firewall to that address and port, with
// nothing translated. One request at a time, sent from the pinhole's own
// address, which the gateway checks against the one in the request; the
// caller renews (the same MAP again, with the same nonce). A pinhole's
// number is its protocol and port. A gateway that will not delete a pinhole
// it renewed (miniupnpd 2.3.1 forgets whose it is) is asked for the
// shortest lease instead, so that it lapses within minutes, not an hour.
class PcpPinholes : public QObject
{
    Q_OBJECT

public:
    using Step = RouterMapper::PinholeStep;

    explicit PcpPinholes(Clock& clock, quint16 serverPort = Pcp::serverPort, PcpTiming timing = {},
                         QObject* parent = nullptr);

    static int idOf(Pcp::Protocol protocol, quint16 port);
    // Ends by `ended`; false when it cannot start: one under way, a number
    // that names no pinhole, or an address this machine cannot send from.
    bool send(Step step, int id, const QHostAddress& gateway, const QHostAddress& address,
              quint32 leaseSeconds = 0);

signals:
    void ended(RouterMapper::PinholeStep step, bool succeeded, int id);

private:
    struct Request
    {
        Step step = Step::Add;
        int id = -1;
        QHostAddress gateway;
        Pcp::MapRequest map;
        bool shortening = false;
    };

    void resend();
    void readDatagrams();
    void take(const Pcp::MapAnswer& answer);
    void finish(bool succeeded);

    Clock& m_clock;
    quint16 m_serverPort;
    PcpTiming m_timing;
    QUdpSocket m_socket;
    Timer m_retryTimer;
    std::optional<Request> m_request;
    int m_sends = 0;
    QHash<int, Pcp::Nonce> m_nonces;
};
