#include "net/TClientSocket.h"

#include <QtDebug>

#include <arpa/inet.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

bool isTransient(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

} // namespace

TClientSocket::TClientSocket(HostResolver& resolver) : m_resolver(resolver) {}

TClientSocket::~TClientSocket()
{
    m_life.reset();
    const int fd = release();
    if (fd >= 0)
        ::close(fd);
}

void TClientSocket::setActive(bool active)
{
    if (!active) {
        closeConnection();
        return;
    }
    if (m_state == State::Connected)
        return;
    if (m_state != State::Idle) {
        const int fd = release();
        if (fd >= 0)
            ::close(fd);
    }
    if (Host.isEmpty()) {
        failAttempt(eeLookup, EAI_NONAME);
        return;
    }
    const quint64 attempt = ++m_attempt;
    if (const QHostAddress address(Host); address.protocol() == QAbstractSocket::IPv6Protocol) {
        connectIPv6(attempt, address);
        return;
    }
    m_state = State::LookingUp;
    if (!notify(OnLookup, attempt))
        return;
    m_resolver.lookup(Host, &m_context, [this, attempt](const HostLookupResult& result) {
        dispatch([&] { lookedUp(attempt, result); });
    });
}

void TClientSocket::lookedUp(quint64 attempt, const HostLookupResult& result)
{
    if (attempt != m_attempt)
        return; // abandoned meanwhile
    if (!result.ok()) {
        failAttempt(eeLookup, result.errorCode != 0 ? result.errorCode : EAI_NONAME);
        return;
    }
    if (!openSocket(attempt, AF_INET))
        return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<quint16>(Port));
    to.sin_addr.s_addr = htonl(result.addresses.front());
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
        failAttempt(eeConnect, errno);
        return;
    }
    watch(m_fd);
}

bool TClientSocket::openSocket(quint64 attempt, int family)
{
    const int fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        failAttempt(eeGeneral, errno);
        return false;
    }
    m_fd = fd;
    m_state = State::Connecting;
    return notify(OnConnecting, attempt);
}

namespace {

sockaddr_in6 socketAddress(const QHostAddress& address, int port)
{
    sockaddr_in6 result{};
    result.sin6_family = AF_INET6;
    result.sin6_port = htons(static_cast<quint16>(port));
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    for (int i = 0; i < 16; ++i)
        result.sin6_addr.s6_addr[i] = bytes[i];
    if (!address.scopeId().isEmpty())
        result.sin6_scope_id = ::if_nametoindex(address.scopeId().toLatin1().constData());
    return result;
}

} // namespace

void TClientSocket::connectIPv6(quint64 attempt, const QHostAddress& address)
{
    if (!openSocket(attempt, AF_INET6))
        return;
    if (const QHostAddress from(BindAddress); from.protocol() == QAbstractSocket::IPv6Protocol) {
        const sockaddr_in6 local = socketAddress(from, 0);
        if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            failAttempt(eeConnect, errno);
            return;
        }
    }
    const sockaddr_in6 to = socketAddress(address, Port);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
        failAttempt(eeConnect, errno);
        return;
    }
    watch(m_fd);
}

void TClientSocket::watch(int fd)
{
    // Writability tells that the connect finished, one way or the other.
    m_writeNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    QObject::connect(m_writeNotifier.get(), &QSocketNotifier::activated,
                     [this] { dispatch([this] { writable(); }); });
    m_readNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    m_readNotifier->setEnabled(false);
    QObject::connect(m_readNotifier.get(), &QSocketNotifier::activated,
                     [this] { dispatch([this] { readable(); }); });
}

void TClientSocket::writable()
{
    const quint64 attempt = m_attempt;
    if (m_state == State::Connecting) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error != 0) {
            failAttempt(eeConnect, error);
            return;
        }
        m_state = State::Connected;
        m_writeNotifier->setEnabled(false);
        m_readNotifier->setEnabled(true);
        if (notify(OnConnect, attempt))
            notify(OnWrite, attempt);
        return;
    }
    const ssize_t sent = ::send(m_fd, m_unsent.constData(), size_t(m_unsent.size()), MSG_NOSIGNAL);
    if (sent < 0) {
        if (!isTransient(errno))
            connectionFailed(eeSend, errno);
        return;
    }
    m_unsent.remove(0, sent);
    if (!m_unsent.isEmpty())
        return;
    m_writeNotifier->setEnabled(false);
    notify(OnWrite, attempt);
}

void TClientSocket::readable()
{
    char probe = 0;
    const ssize_t peeked = ::recv(m_fd, &probe, 1, MSG_PEEK);
    if (peeked > 0) {
        // No further notice until the handler has read: a handler that does not
        // read would otherwise be called again at once, without end.
        m_readNotifier->setEnabled(false);
        notify(OnRead, m_attempt);
    } else if (peeked == 0) {
        closeConnection(); // the peer closed, or half-closed, its side
    } else if (!isTransient(errno)) {
        connectionFailed(eeReceive, errno);
    }
}

int TClientSocket::write(const QByteArray& bytes)
{
    if (m_state != State::Connected || m_failing)
        return -1;
    if (m_unsent.isEmpty()) {
        const ssize_t sent = ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
        if (sent < 0 && !isTransient(errno)) {
            failLater(eeSend, errno);
            return -1;
        }
        const qsizetype taken = sent > 0 ? sent : 0;
        if (taken == bytes.size())
            return int(taken);
        m_unsent = bytes.mid(taken);
    } else {
        m_unsent += bytes;
    }
    m_writeNotifier->setEnabled(true);
    return int(bytes.size());
}

QByteArray TClientSocket::readAvailable()
{
    if (m_state != State::Connected || m_failing)
        return {};
    m_readNotifier->setEnabled(true);
    // Read until the socket is drained; past the cap the rest comes with the next OnRead.
    constexpr qsizetype chunk = 64 * 1024;
    constexpr qsizetype cap = 16 * chunk;
    QByteArray bytes;
    while (bytes.size() < cap) {
        const qsizetype had = bytes.size();
        bytes.resize(had + chunk);
        const ssize_t received = ::recv(m_fd, bytes.data() + had, size_t(chunk), 0);
        bytes.resize(had + (received > 0 ? received : 0));
        if (received < chunk) {
            if (received < 0 && !isTransient(errno))
                failLater(eeReceive, errno);
            break;
        }
    }
    return bytes;
}

void TClientSocket::closeConnection()
{
    const bool connected = m_state == State::Connected;
    const int fd = release();
    // OnDisconnect runs while the socket still exists; it is released after.
    if (connected)
        notify(OnDisconnect, m_attempt);
    if (fd >= 0)
        ::close(fd);
}

void TClientSocket::failAttempt(TErrorEvent event, int code)
{
    const int fd = release();
    if (fd >= 0)
        ::close(fd);
    raiseUnlessCleared(event, askOnError(event, code));
}

void TClientSocket::connectionFailed(TErrorEvent event, int code)
{
    m_failing = true;
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    const quint64 attempt = m_attempt;
    const Life life = m_life;
    const int left = askOnError(event, code);
    if (!life.expired() && m_attempt == attempt)
        closeConnection();
    raiseUnlessCleared(event, left);
}

void TClientSocket::failLater(TErrorEvent event, int code)
{
    // Called from inside a handler; the failure gets events of its own.
    if (m_failing)
        return;
    m_failing = true;
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    const quint64 attempt = m_attempt;
    QMetaObject::invokeMethod(
        &m_context,
        [this, attempt, event, code] {
            if (attempt == m_attempt)
                dispatch([&] { connectionFailed(event, code); });
        },
        Qt::QueuedConnection);
}

int TClientSocket::release()
{
    ++m_attempt;
    m_state = State::Idle;
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_unsent.clear();
    m_failing = false;
    return std::exchange(m_fd, -1);
}

bool TClientSocket::notify(const TSocketNotifyEvent& event, quint64 attempt)
{
    const Life life = m_life;
    if (event) {
        const TSocketNotifyEvent handler = event; // may be reassigned or destroyed while it runs
        handler(this, &m_socket);
    }
    return !life.expired() && m_attempt == attempt;
}

int TClientSocket::askOnError(TErrorEvent event, int code)
{
    int ErrorCode = code;
    if (OnError) {
        const TSocketErrorEvent handler = OnError;
        handler(this, &m_socket, event, ErrorCode);
    }
    return ErrorCode;
}

void TClientSocket::raiseUnlessCleared(TErrorEvent event, int code)
{
    if (code == 0)
        return;
    static const char* const steps[] = {"socket", "send", "receive", "connect", "lookup"};
    const char* description = code < 0 ? gai_strerror(code) : std::strerror(code);
    throw SocketError(QStringLiteral("Socket error %1 on %2: %3")
                          .arg(code)
                          .arg(QLatin1String(steps[event]), QString::fromLocal8Bit(description)));
}

void TClientSocket::dispatch(const std::function<void()>& step)
{
    try {
        step();
    } catch (const SocketError& error) {
        qWarning("%s", error.what());
    }
}
