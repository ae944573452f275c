#pragma once

#include "portmap/NatPmpCodec.h"

#include <QByteArray>
#include <QString>

#include <optional>

// PCP (RFC 6887) MAP requests and answers for IPv4, on the same gateway port
// as NAT-PMP. Addresses travel IPv4-mapped (::ffff:a.b.c.d). Readers take any
// bytes.
namespace Pcp {

using NatPmp::Protocol;

constexpr qsizetype nonceSize = 12;

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

struct MapRequest
{
    QByteArray nonce; // nonceSize random bytes that the answer must repeat
    Protocol protocol = Protocol::Tcp;
    quint16 internalPort = 0;
    quint16 suggestedExternalPort = 0;
    quint32 lifetimeSeconds = 0; // 0 deletes
    QString clientAddress;       // dotted, the address the gateway sees us from
};

// Empty when the nonce has the wrong size or the client address is not dotted.
QByteArray mapRequest(const MapRequest& request);

struct MapReply
{
    quint8 result = Success;
    quint32 lifetimeSeconds = 0;
    quint32 epoch = 0;
    QByteArray nonce; // empty when an error answer carries no MAP part
    Protocol protocol = Protocol::Tcp;
    quint16 internalPort = 0;
    quint16 externalPort = 0;
    QString externalAddress; // dotted; empty unless IPv4-mapped
};

// Nothing unless the datagram is a version 2 answer to a MAP request; a
// success needs its whole MAP part.
std::optional<MapReply> readMap(const QByteArray& datagram);

// The answer belongs to this request: same nonce, protocol and internal port.
bool answers(const MapReply& reply, const MapRequest& request);

} // namespace Pcp
