#include "net/TNMUDP.h"

#include <QEventLoop>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

const QString kInvalidStream = QStringLiteral("Invalid stream");
const QString kInvalidBuffer = QStringLiteral("Invalid buffer");
const QString kNullRemoteAddress = QStringLiteral("Null Remote Address");
const QString kLookupCanceled = QStringLiteral("Host Lookup Canceled");
const QString kUnknownError = QStringLiteral("Unknown Error No. ");
const QString kTooLong = QStringLiteral("Datagram Too Long");
const QString kHostTooLong = QStringLiteral("Host Name Too Long");
const QString kSendInProgress = QStringLiteral("Send In Progress");
const QString kStreamWriteError = QStringLiteral("Stream write error");

// A handler may destroy the endpoint, and with it itself, so a copy is called.
template <typename Handler, typename... Args> void callHandler(const Handler& handler, Args&&... args)
{
    const Handler copy = handler;
    copy(std::forward<Args>(args)...);
}

// A dotted-decimal IPv4 literal, parsed without allocating: sends are frequent.
std::optional<in_addr_t> literalAddress(const QString& host)
{
    std::array<char, TNMUDP::MaxHostLength + 1> text{};
    for (qsizetype i = 0; i < host.size(); ++i) {
        const char16_t c = host[i].unicode();
        if (c == 0 || c > 0x7f)
            return std::nullopt;
        text[size_t(i)] = char(c);
    }
    in_addr address{};
    if (inet_pton(AF_INET, text.data(), &address) != 1)
        return std::nullopt;
    return address.s_addr;
}

} // namespace

TNMUDP::TNMUDP(HostResolver& resolver) : m_resolver(resolver)
{
    openSocket();
}

TNMUDP::~TNMUDP()
{
    if (m_waitLoop)
        m_waitLoop->quit();
    m_life.reset();
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void TNMUDP::setLocalPort(int port)
{
    openSocket();
    m_localPort = port;
    bindSocket();
}

void TNMUDP::loaded()
{
    bindSocket();
}

void TNMUDP::openSocket()
{
    // The new socket comes first, so that a failure leaves the old one working.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        raiseSocketError(errno);
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    if (!m_multicastAll)
        applyMulticastAll();
    if (m_addressReuse)
        applyAddressReuse();
    applyGroup();
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readDatagram(); });
}

void TNMUDP::setMulticastAll(bool on)
{
    m_multicastAll = on;
    applyMulticastAll();
}

void TNMUDP::applyMulticastAll() const
{
    const int value = m_multicastAll ? 1 : 0;
    // A kernel without the option keeps its default: the socket then hears more, never less.
    ::setsockopt(m_fd, IPPROTO_IP, IP_MULTICAST_ALL, &value, sizeof value);
}

void TNMUDP::setAddressReuse(bool on)
{
    m_addressReuse = on;
    applyAddressReuse();
}

void TNMUDP::applyAddressReuse() const
{
    const int value = m_addressReuse ? 1 : 0;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &value, sizeof value);
}

void TNMUDP::joinGroup(const QString& group)
{
    in_addr address{};
    if (group.isEmpty() || ::inet_pton(AF_INET, group.toLatin1().constData(), &address) != 1) {
        m_group.reset();
        return;
    }
    m_group = address;
    applyGroup();
}

void TNMUDP::applyGroup() const
{
    if (!m_group)
        return;
    ip_mreq membership{};
    membership.imr_multiaddr = *m_group;
    membership.imr_interface.s_addr = htonl(INADDR_ANY);
    ::setsockopt(m_fd, IPPROTO_IP, IP_DROP_MEMBERSHIP, &membership, sizeof membership);
    ::setsockopt(m_fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership);
}

void TNMUDP::bindSocket()
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<quint16>(m_localPort));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    // A taken port is not an error: the socket stays unbound until its first send.
    ::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
}

void TNMUDP::readDatagram()
{
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC reports the real length, so an oversized datagram is recognised.
    const ssize_t received = ::recvfrom(m_fd, m_received.data(), m_received.size(), MSG_TRUNC,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return; // nothing arrived after all
    m_receivedCount = received >= 0 && received <= MaxDatagram ? int(received) : -1;
    if (!OnDataReceived)
        return;
    char fromIp[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, fromIp, sizeof fromIp);
    callHandler(OnDataReceived, this, m_receivedCount, QString::fromLatin1(fromIp),
                int(ntohs(from.sin_port)));
}

void TNMUDP::report(int level, const QString& text)
{
    if (level > ReportLevel)
        return;
    m_status = text;
    if (OnStatus)
        callHandler(OnStatus, this, text);
}

void TNMUDP::raiseSocketError(int error)
{
    m_lastError = error;
    report(16, QStringLiteral("Checking Error In Error Manager"));
    const QString text = kUnknownError + QString::number(error);
    report(8, QStringLiteral("Looking Up Error Message") + text);
    throw UDPSockError(text);
}

template <typename Body> void TNMUDP::send(const Body& body)
{
    if (m_sending)
        throw UDPSockError(kSendInProgress);
    m_sending = true;
    const Life life = m_life;
    try {
        body(life);
    } catch (...) {
        if (!life.expired())
            m_sending = false;
        throw;
    }
    if (life.expired())
        return;
    m_sending = false;
    if (OnDataSend)
        callHandler(OnDataSend, this);
}

void TNMUDP::SendData(QIODevice& Stream)
{
    send([&](const Life& life) {
        bool offered = false;
        while (Stream.size() == 0) {
            if (!OnStreamInvalid || offered)
                throw UDPSockError(kInvalidStream);
            offered = true;
            bool handled = false;
            callHandler(OnStreamInvalid, handled, Stream);
            if (life.expired())
                return;
            if (!handled)
                throw UDPSockError(kInvalidStream);
        }
        if (!Stream.isReadable() || Stream.isSequential())
            throw UDPSockError(kInvalidStream);
        const qint64 size = Stream.size();
        if (size > MaxDatagram)
            throw UDPSockError(kTooLong);
        const auto to = destination(life);
        if (!to)
            return;
        if (!Stream.seek(0) || Stream.read(m_sendArea.data(), size) != size)
            throw UDPSockError(kInvalidStream);
        transmit(*to, m_sendArea.data(), int(size));
    });
}

void TNMUDP::SendBytes(QByteArray Buff, int length)
{
    send([&](const Life& life) {
        bool offered = false;
        while (length == 0) {
            if (!OnBufferInvalid || offered)
                throw UDPSockError(kInvalidBuffer);
            offered = true;
            bool handled = false;
            callHandler(OnBufferInvalid, handled, Buff, length);
            if (life.expired())
                return;
            if (!handled)
                throw UDPSockError(kInvalidBuffer);
        }
        if (length < 0 || length > Buff.size())
            throw UDPSockError(kInvalidBuffer);
        if (length > MaxDatagram)
            throw UDPSockError(kTooLong);
        const auto to = destination(life);
        if (!to)
            return;
        transmit(*to, Buff.constData(), length);
    });
}

std::optional<sockaddr_in> TNMUDP::destination(const Life& life)
{
    const auto address = resolveRemoteHost(life);
    if (!address)
        return std::nullopt;
    if (*address == htonl(INADDR_ANY))
        throw UDPSockError(kNullRemoteAddress);
    report(2, QStringLiteral("Sending Data"));
    if (life.expired())
        return std::nullopt;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<quint16>(RemotePort));
    to.sin_addr.s_addr = *address;
    return to;
}

std::optional<in_addr_t> TNMUDP::resolveRemoteHost(const Life& life)
{
    if (RemoteHost.isEmpty())
        throw UDPSockError(kNullRemoteAddress);
    if (RemoteHost.size() > MaxHostLength)
        throw UDPSockError(kHostTooLong);
    if (const auto literal = literalAddress(RemoteHost))
        return literal;
    for (int attempt = 1;; ++attempt) {
        const auto result = waitForLookup(life);
        if (!result)
            return std::nullopt;
        if (result->ok())
            return htonl(result->addresses.front());
        if (attempt == 2)
            throw UDPSockError(kLookupCanceled);
        if (OnInvalidHost) {
            bool handled = false; // one retry whatever the handler answers
            callHandler(OnInvalidHost, handled);
            if (life.expired())
                return std::nullopt;
        }
    }
}

std::optional<HostLookupResult> TNMUDP::waitForLookup(const Life& life)
{
    struct Wait
    {
        bool finished = false;
        HostLookupResult result;
        QEventLoop* loop = nullptr;
    };
    const auto wait = std::make_shared<Wait>();
    QEventLoop loop;
    wait->loop = &loop;
    m_resolver.lookup(RemoteHost, &m_context, [wait](const HostLookupResult& result) {
        wait->finished = true;
        wait->result = result;
        if (wait->loop)
            wait->loop->quit();
    });
    // Everything else keeps running meanwhile: timers, input, other sockets.
    m_waitLoop = &loop;
    if (!wait->finished)
        loop.exec();
    wait->loop = nullptr;
    if (life.expired())
        return std::nullopt;
    m_waitLoop = nullptr;
    if (!wait->finished)
        throw UDPSockError(kLookupCanceled); // the program is quitting
    return wait->result;
}

void TNMUDP::transmit(const sockaddr_in& to, const char* data, int size)
{
    char toIp[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &to.sin_addr, toIp, sizeof toIp);
    m_lastRemoteIP = QString::fromLatin1(toIp);
    // A failed send is silent; datagrams carry no delivery promise anyway.
    ::sendto(m_fd, data, size_t(size), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void TNMUDP::FetchData(QIODevice& Stream) const
{
    if (m_receivedCount < 0)
        throw UDPSockError(kStreamWriteError);
    if (m_receivedCount > 0 && Stream.write(m_received.data(), m_receivedCount) != m_receivedCount)
        throw UDPSockError(kStreamWriteError);
    Stream.seek(0);
}

void TNMUDP::FetchBytes(QByteArray& Buff, int& length) const
{
    length = m_receivedCount;
    if (m_receivedCount <= 0)
        return;
    if (Buff.size() < m_receivedCount)
        Buff.resize(m_receivedCount);
    std::memcpy(Buff.data(), m_received.data(), size_t(m_receivedCount));
}
