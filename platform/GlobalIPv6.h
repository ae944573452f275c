#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

// This machine's global IPv6 address: the one a router's IPv6 pinholes open to.
namespace GlobalIPv6 {

struct Candidate
{
    QHostAddress address;
    bool deprecated = false; // its preferred lifetime has run out
    bool besideIPv4 = false; // on the interface that holds the address towards the router
};

// The first global unicast address (not loopback, link-local, unique local
// fc00::/7, multicast, nor an IPv4 one), those beside the router's IPv4
// route first, those not deprecated before the deprecated; empty when none.
QString choose(const QList<Candidate>& candidates);

// From the interfaces that are up and not loopback; `ipv4TowardsRouter` is
// this machine's IPv4 address on the connection to the router.
QString address(const QString& ipv4TowardsRouter);

} // namespace GlobalIPv6
