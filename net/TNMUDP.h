#pragma once

#include "net/UDPSockError.h"
#include "platform/HostResolver.h"

#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <netinet/in.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QEventLoop;

// IPv4 datagram endpoint on the UI thread: sends whole datagrams to
// RemoteHost:RemotePort and raises OnDataReceived once per arriving datagram.
//
// Streams are random-access QIODevices (usually a QBuffer) open for reading
// (SendData) or writing (FetchData). Failures are thrown as UDPSockError.
//
// Rules of this endpoint beyond the usual ones:
// - A datagram holds at most 2048 bytes; a longer send is refused
//   ("Datagram Too Long"), as is a SendBytes length beyond the buffer or
//   below 0 ("Invalid buffer") and a stream that cannot be read
//   ("Invalid stream").
// - RemoteHost may hold at most 130 characters ("Host Name Too Long"); an empty
//   RemoteHost is refused like the address 0.0.0.0 ("Null Remote Address").
// - A send started while another send of the same endpoint is still running
//   (from a handler it calls, or from the event processing of its look-up
//   wait) is refused ("Send In Progress"): nesting would send the later
//   datagram first and could nest without bound while look-ups are slow.
// - If the look-up wait is ended by the program quitting, the send fails with
//   "Host Lookup Canceled".
// - The endpoint may be destroyed from its handlers or during the look-up
//   wait; the send in progress then stops without sending.
// - A socket that cannot be created raises "Unknown Error No. " + errno and,
//   on rebinding, leaves the previous socket in place.
class TNMUDP
{
public:
    using TOnReceive = std::function<void(TNMUDP* Sender, int NumberBytes, const QString& FromIP, int Port)>;
    using TNotifyEvent = std::function<void(TNMUDP* Sender)>;
    using TOnStatus = std::function<void(TNMUDP* Sender, const QString& status)>;
    using THandlerEvent = std::function<void(bool& handled)>;
    using TStreamInvalid = std::function<void(bool& handled, QIODevice& Stream)>;
    using TBuffInvalid = std::function<void(bool& handled, QByteArray& Buff, int& length)>;

    static constexpr int MaxDatagram = 2048;
    static constexpr int MaxHostLength = 130;

    explicit TNMUDP(HostResolver& resolver);
    ~TNMUDP();
    TNMUDP(const TNMUDP&) = delete;
    TNMUDP& operator=(const TNMUDP&) = delete;

    // Take effect at the next send; RemoteHost is resolved anew on every send.
    QString RemoteHost;
    int RemotePort = 0;
    int ReportLevel = 1;

    int LocalPort() const { return m_localPort; }
    // Replaces the socket by a new one bound to 0.0.0.0:port. A taken port
    // leaves the new socket unbound: the system then gives it a port of its
    // own at the first send, and replies arrive there.
    void setLocalPort(int port);
    // Whether the port may be shared with other sockets that allow it too
    // (SO_REUSEADDR), as multicast listeners do: each of them then hears the
    // group's datagrams. Off by default; kept across setLocalPort.
    void setAddressReuse(bool on);
    // Repeats the bind, as when the owner finished setting up.
    void loaded();
    // Whether the socket also hears multicast groups that it did not join but
    // another socket of the machine did (on by default, as Linux has it).
    // Off, a socket bound to a well-known port such as SSDP's no longer gets
    // every search and announcement meant for others. Kept across setLocalPort.
    void setMulticastAll(bool on);
    // Joins a multicast group (a dotted IPv4 text; empty leaves none) on the
    // interface the route to it takes now, leaving an earlier membership
    // first: after a move that interface may be another. Kept across
    // setLocalPort. Fails quietly while there is no route to the group.
    void joinGroup(const QString& group);

    TOnReceive OnDataReceived;
    TNotifyEvent OnDataSend;
    TOnStatus OnStatus;
    THandlerEvent OnInvalidHost;
    TStreamInvalid OnStreamInvalid;
    TBuffInvalid OnBufferInvalid;

    // The whole content of the stream as one datagram; rewinds it first.
    void SendData(QIODevice& Stream);
    // The first `length` bytes of Buff, which is the endpoint's own copy.
    void SendBytes(QByteArray Buff, int length);
    // Writes the last datagram at the stream's position, then rewinds it.
    void FetchData(QIODevice& Stream) const;
    // Copies the last datagram to the front of Buff (growing it if it is
    // shorter) and sets length to its byte count, -1 after a failed receive.
    void FetchBytes(QByteArray& Buff, int& length) const;

    // Dotted address of the last datagram sent, empty before the first: replies
    // are checked against it.
    const QString& lastRemoteIP() const { return m_lastRemoteIP; }
    // A send is under way (waiting for its look-up); another would be refused.
    bool isSending() const { return m_sending; }

    const QString& status() const { return m_status; }
    int lastError() const { return m_lastError; }

private:
    using Life = std::weak_ptr<int>;

    void openSocket();
    void applyMulticastAll() const;
    void applyAddressReuse() const;
    void applyGroup() const;
    void bindSocket();
    void readDatagram();
    void report(int level, const QString& text);
    [[noreturn]] void raiseSocketError(int error);
    template <typename Body> void send(const Body& body);
    std::optional<sockaddr_in> destination(const Life& life);
    std::optional<in_addr_t> resolveRemoteHost(const Life& life);
    std::optional<HostLookupResult> waitForLookup(const Life& life);
    void transmit(const sockaddr_in& to, const char* data, int size);

    HostResolver& m_resolver;
    QObject m_context;
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_localPort = 0;
    bool m_multicastAll = true;
    bool m_addressReuse = false;
    std::optional<in_addr> m_group;
    std::array<char, MaxDatagram> m_received{};
    int m_receivedCount = 0;
    std::array<char, MaxDatagram> m_sendArea{};
    QString m_status;
    QString m_lastRemoteIP;
    int m_lastError = 0;
    bool m_sending = false;
    QEventLoop* m_waitLoop = nullptr;
    std::shared_ptr<int> m_life = std::make_shared<int>(0);
};
