#pragma once

#include "portmap/upnp/SoapRequest.h"

#include <QByteArray>

#include <optional>

// The three actions of WANIPv6FirewallControl:1 that keep an inbound IPv6
// pinhole open from any remote host to one port of this machine.
namespace PinholeSoap {

inline constexpr char Service[] = "WANIPv6FirewallControl";

// `protocol` "TCP" or "UDP" (sent as its IANA number, 6 or 17); `leaseSeconds` 1..86400.
QByteArray addPinhole(const SoapRequest::Target& target, const QByteArray& internalClient, int internalPort,
                      const QByteArray& protocol, int leaseSeconds);
QByteArray updatePinhole(const SoapRequest::Target& target, int uniqueId, int leaseSeconds);
QByteArray deletePinhole(const SoapRequest::Target& target, int uniqueId);

// The UniqueID of a successful AddPinhole answer: a whole number 0..65535;
// nullopt for a failed answer or any other text.
std::optional<int> uniqueId(const QByteArray& response);

} // namespace PinholeSoap
