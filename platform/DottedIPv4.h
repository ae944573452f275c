#pragma once

#include <QString>

// A dotted-decimal IPv4 address without leading zeros or blanks, such as an
// address must be before it goes into a datagram, a request or a file.
bool isDottedIPv4(const QString& text);
