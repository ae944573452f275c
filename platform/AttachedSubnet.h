#pragma once

#include <QString>

// Whether an IPv4 address lies in the subnet of an interface of this machine
// that is up: a router there can still be reached without a hop.
bool onAttachedSubnet(const QString& address);
