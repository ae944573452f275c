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
    QByteArray bootId; // UPnP 1.1: changes whenever the device restarts
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

// A usable location that names, as a dotted IPv4 address, the host the answer
// came from, and holds no control character. Any host of the network can
// answer a search: trusting it further would let it send the client, and
// lines of its own in the request, to a third host.
std::optional<Location> trustedLocation(const QByteArray& location, const QByteArray& senderIp);

// What a datagram on the search socket means to a running search: a trusted
// answer ends it, a datagram that is not an answer fails it, and SSDP requests
// (the client's own search, other hosts' searches and announcements) and
// answers that cannot be trusted are ignored. The datagram counts up to its
// first NUL.
struct Reading
{
    enum Verdict
    {
        Ignore,
        Fail,
        Found
    };
    Verdict verdict = Ignore;
    Answer answer;
    Location location;
};

Reading readDatagram(const QByteArray& datagram, const QByteArray& senderIp);

} // namespace SsdpSearch
