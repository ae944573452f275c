#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// NAT-PMP (RFC 6886): the datagrams a client sends to its gateway's UDP port
// 5351 and the answers it reads back. Readers take any bytes.
namespace NatPmp {

constexpr quint16 serverPort = 5351;

enum class Protocol
{
    Udp,
    Tcp,
};

// A mapping as the client asks for it: `externalPort` is the one suggested
// to the gateway, or, for a delete, the one the gateway gave.
struct Mapping
{
    Protocol protocol = Protocol::Tcp;
    quint16 internalPort = 0;
    quint16 externalPort = 0;
};

// "UDP" or "TCP", as the mapping list names them.
Protocol protocolNamed(const QString& name);

enum Result : quint16
{
    Success = 0,
    UnsupportedVersion = 1,
    NotAuthorized = 2,
    NetworkFailure = 3,
    OutOfResources = 4,
    UnsupportedOpcode = 5,
};

// The RFC's name of a result code, as a refusal is shown.
QByteArray resultName(quint16 result);

QByteArray externalAddressRequest();

// A lifetime of 0 with a suggested port of 0 deletes the mapping.
QByteArray mapRequest(Protocol protocol, quint16 internalPort, quint16 suggestedExternalPort,
                      quint32 lifetimeSeconds);

struct ExternalAddressReply
{
    quint16 result = Success;
    quint32 epoch = 0;
    QString address; // dotted; empty unless the result is a success
};

struct MapReply
{
    Protocol protocol = Protocol::Tcp;
    quint16 result = Success;
    quint32 epoch = 0;
    quint16 internalPort = 0;
    quint16 externalPort = 0;
    quint32 lifetimeSeconds = 0;
};

// Nothing unless the datagram is a version 0 answer to that request. A
// refusal needs only its 8-byte head: the rest is undefined then.
std::optional<ExternalAddressReply> readExternalAddress(const QByteArray& datagram);
std::optional<MapReply> readMap(const QByteArray& datagram);

// Whether a gateway's epoch (its seconds since it started) says it restarted
// and lost its mappings: it runs slower than the time `elapsedMs` since the
// last answer by more than the RFC's tolerance (7/8 of the time, less 2 s).
bool gatewayRestarted(quint32 lastEpoch, quint32 epoch, qint64 elapsedMs);

} // namespace NatPmp
