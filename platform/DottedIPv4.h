#pragma once

#include <QString>

// A dotted-decimal IPv4 address without leading zeros or blanks, such as an
// address must be before it goes into a datagram, a request or a file.
bool isDottedIPv4(const QString& text);

// A dotted IPv4 address that the Internet can reach: not private (RFC 1918),
// not shared by a carrier's NAT (100.64.0.0/10), not link-local, loopback,
// "this network", multicast or reserved. A router's WAN address that is not
// public means another NAT sits between it and the Internet.
bool isPublicIPv4(const QString& text);
