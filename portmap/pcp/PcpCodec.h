#pragma once

#include <QByteArray>
#include <QHostAddress>

#include <array>
#include <optional>

// PCP (RFC 6887): the MAP request a client sends to its gateway's UDP port
// 5351, and the answers and ANNOUNCE messages it reads back. Addresses travel
// as 16 bytes, an IPv4 one as ::ffff:a.b.c.d. Readers take any bytes.
namespace Pcp {

constexpr quint16 serverPort = 5351;
constexpr qsizetype maxMessageSize = 1100;

enum class Protocol
{
    Udp,
    Tcp,
};

enum class Opcode : quint8
{
    Announce = 0,
    Map = 1,
    Peer = 2,
};

enum Result : quint8
{
    Success = 0,
    UnsupportedVersion = 1,
    NotAuthorized = 2,
    MalformedRequest = 3,
    UnsupportedOpcode = 4,
    UnsupportedOption = 5,
    MalformedOption = 6,
    NetworkFailure = 7,
    NoResources = 8,
    UnsupportedProtocol = 9,
    UserExceededQuota = 10,
    CannotProvideExternal = 11,
    AddressMismatch = 12,
    ExcessiveRemotePeers = 13,
};

// The RFC's name of a result code, as a refusal is shown.
QByteArray resultName(int result);

// Ties a mapping's answers, renewals and deletion to the client that made it.
using Nonce = std::array<quint8, 12>;
// From the system's random source: no other host may guess it.
Nonce freshNonce();

// A mapping as the client asks for it: `externalPort` is the one suggested
// to the gateway, or, for a delete, the one the gateway gave.
struct Mapping
{
    Protocol protocol = Protocol::Tcp;
    quint16 internalPort = 0;
    quint16 externalPort = 0;
};

struct MapRequest
{
    Mapping mapping;
    quint32 lifetimeSeconds = 0; // 0 deletes
    Nonce nonce{};
    // The client's own address as the gateway sees it; its family is the mapping's.
    QHostAddress clientAddress;
    // Null: no preference, the family's zero address is sent.
    QHostAddress suggestedExternalAddress;
};

QByteArray mapRequest(const MapRequest& request);

struct MapAnswer
{
    quint8 result = Success;
    quint32 lifetimeSeconds = 0;
    quint32 epoch = 0;
    Nonce nonce{};
    Protocol protocol = Protocol::Tcp;
    quint16 internalPort = 0;
    quint16 externalPort = 0;
    QHostAddress externalAddress; // IPv4 when the gateway sent a mapped one
};

// Nothing unless the datagram is a well-formed version 2 answer to a MAP
// request for TCP or UDP, its options within it.
std::optional<MapAnswer> readMap(const QByteArray& datagram);

// Whether the answer is to that mapping's request: the gateway names the
// mapping by its protocol and internal port, and the client by the nonce.
bool answersTo(const MapAnswer& answer, const Mapping& asked, const Nonce& nonce);

// The epoch of a well-formed, successful ANNOUNCE; nothing for anything else.
std::optional<quint32> readAnnounce(const QByteArray& datagram);

// Whether a gateway that does not speak PCP answered: an older version's
// answer (NAT-PMP's is version 0) with the result "unsupported version".
bool refusesVersion(const QByteArray& datagram);

// Whether the gateway lost its mappings, from its epoch (its seconds since it
// started) now and `elapsedMs` after the last one: it went back by more than a
// second, or ran off the client's clock by more than 1/16 and 2 s.
bool gatewayLostState(quint32 lastEpoch, quint32 epoch, qint64 elapsedMs);

} // namespace Pcp
