#pragma once

#include <QByteArray>

#include <optional>

// The SSDP search for a root device and what its answers carry.
namespace SsdpSearch {

inline constexpr char MulticastAddress[] = "239.255.255.250";
inline constexpr int Port = 1900;
// Room for the largest answer looked at (4096 bytes) and a terminator.
inline constexpr int BufferSize = 4097;

// The 101-byte M-SEARCH request.
QByteArray request();

// Headers of an answer; an absent header gives an empty value.
struct Answer
{
    QByteArray location;
    QByteArray server;
    QByteArray usn;
};

// Nothing when the datagram does not start with "HTTP/" (any case).
std::optional<Answer> readAnswer(const QByteArray& datagram);

// The value after the first occurrence of `upperName` (e.g. "LOCATION:")
// anywhere in the text, ignoring case, up to the next CR LF or the end,
// blanks and control characters removed from both ends.
QByteArray headerValue(const QByteArray& text, const QByteArray& upperName);

// The pieces of a LOCATION value, as far as it could be split. The host alone
// is known when a ":" follows it but nothing after; all three when a port
// text or a path follows.
struct Location
{
    std::optional<QByteArray> routerIp;
    int routerPort = 0; // -1 when the port text is not a whole number
    QByteArray routerURL;
    bool complete = false;
};

Location splitLocation(const QByteArray& location);

// "http://" + host + ":" + port + path, cut before its last "/".
QByteArray urlBase(const QByteArray& routerIp, int routerPort, const QByteArray& routerURL);

// A location worth fetching: a host that is not blank and a port a TCP
// connection can use.
bool usable(const Location& location);

} // namespace SsdpSearch
