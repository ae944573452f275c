#pragma once

#include <QByteArray>

#include <optional>

// The walk through a gateway's device description (the whole HTTP response)
// down to the control URL of its WAN connection service.
//
// The three devices (InternetGatewayDevice, WANDevice, WANConnectionDevice)
// must follow each other, and the service must come after them; versions ":1"
// and ":2" of each type are accepted, since gateways of the second version of
// the standard describe themselves with ":2" and still take ":1" requests.
namespace DeviceDescription {

struct Walk
{
    // The base after the walk: from <URLBase>, or the one passed in, cut
    // before "/dyndev" when the description has no <URLBase>.
    QByteArray urlBase;
    // "WANIPConnection" or "WANPPPConnection" once the device chain is found.
    std::optional<QByteArray> service;
    // The joined control URL; present only when the walk succeeded.
    std::optional<QByteArray> controlURL;
    // The joined control URL of WANIPv6FirewallControl:1 when the connection
    // device offers it (IGD:2 with IPv6), whatever became of the WAN service.
    std::optional<QByteArray> firewallControlURL;
};

Walk walk(const QByteArray& response, const QByteArray& urlBase);

// Base and control URL joined with exactly one "/" between them. A control
// URL that is already absolute ("http://...") is kept as it is.
QByteArray joinControlURL(const QByteArray& urlBase, const QByteArray& controlURL);

} // namespace DeviceDescription
