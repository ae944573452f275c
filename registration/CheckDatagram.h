#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Datagrams of the two check channels. A confirmation reads
// address "&&&" port "&&&" interval "###" [more]; the loopback probe is sent to
// the machine's own public address and comes back through the router.
namespace CheckDatagram {

inline const QByteArray loopbackProbe = QByteArrayLiteral("8*888###");

// The probe, also inside other text.
bool isLoopback(const QString& datagram);

// The address part: the text before the first "&&&"; nothing without one.
std::optional<QString> address(const QString& datagram);

// The port field, between the first and the second "&&&": 1 to 65535 only.
std::optional<int> port(const QString& datagram);

// Above this the interval number counts as this: 15 minutes between checks,
// so that no datagram can put the checks off for longer.
constexpr qint64 maxIntervalNumber = 450;

// The interval number (third field, up to "###") times 2,000 ms. Only a whole
// number n >= 0 counts (anything else is no number), and at most
// maxIntervalNumber of it.
std::optional<int> intervalMs(const QString& datagram);

} // namespace CheckDatagram
