#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The IPv4 gateway of the default route with the lowest metric, read from the
// text of /proc/net/route; nothing when no route that is up has a gateway.
// Takes any bytes.
std::optional<QString> defaultGateway(const QByteArray& procNetRoute);

// The same, from this machine's routing table.
std::optional<QString> defaultGateway();

// The IPv6 gateway of the default route with the lowest metric, from the text
// of /proc/net/ipv6_route; a link-local one with its interface ("fe80::1%eth0").
std::optional<QString> defaultGatewayIPv6(const QByteArray& procNetIpv6Route);
std::optional<QString> defaultGatewayIPv6();
