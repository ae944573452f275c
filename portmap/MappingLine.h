#pragma once

#include <QString>

#include <optional>

// One stored port mapping, as a line of "jilu.txt":
// public address ":" public port, "  TCP  " or "  UDP  ", local address ":" local port,
// for example "203.0.113.5:8080  TCP  192.168.1.100:80".
namespace MappingLine {

QString protocolField(const QString& protocol);

QString make(const QString& publicAddress, const QString& publicPort, const QString& protocol,
             const QString& localAddress, const QString& localPort);

struct Ports
{
    QString protocol; // "TCP" or "UDP"
    int publicPort = 0;
    int localPort = 0;
    QString localAddress; // as the line names it, blanks dropped
};

// The protocol is TCP when the line holds "TCP" anywhere, else UDP; the public
// port stands between the first ":" and the protocol word, the local port after
// the first ":" behind that word; blanks and tabs are dropped. Nothing when the
// line is not a mapping line: no protocol word, or a port that is not 1 to 65535.
std::optional<Ports> ports(const QString& line);

// "8080 TCP": one public port of one protocol, as the router keys its mappings.
QString key(const Ports& mapping);

// Whether the host the router names for `mapping` is another one: neither
// this machine (`thisMachine`, its address towards the router) nor the
// address the line itself names. Such a port is that host's, never ours to
// take over or delete.
bool heldElsewhere(const QString& holder, const QString& thisMachine, const Ports& mapping);

// A port as typed, as InputRules::portTextProblem lets it in: a whole number
// from 1 to 65535, blanks around it allowed.
std::optional<int> port(const QString& text);

} // namespace MappingLine
