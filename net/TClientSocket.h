#pragma once

#include "net/SocketError.h"
#include "net/TClientWinSocket.h"
#include "platform/HostResolver.h"

#include <QHostAddress>

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>

// Only the non-blocking mode exists: every operation returns at once.
enum TClientType
{
    ctNonBlocking
};

// The step that failed, as OnError reports it.
enum TErrorEvent
{
    eeGeneral,
    eeSend,
    eeReceive,
    eeConnect,
    eeLookup
};

// Non-blocking TCP client on the UI thread. Setting Active starts an
// asynchronous look-up of Host (a dotted address included) and a connect that
// never blocks; an IPv6 address ("fe80::1%eth0" names its interface) is
// connected to without a look-up, from BindAddress when one is given.
// Everything else arrives as events, in this order:
// OnLookup, OnConnecting, OnConnect, OnWrite, OnRead..., OnDisconnect.
//
// - OnError gets failed look-ups, connects, sends and receives. If its handler
//   leaves ErrorCode non-zero, SocketError is raised: to the caller of
//   setActive for an empty Host; for the later, event-driven failures it is
//   caught where the event is dispatched and logged as a warning, since no
//   exception may cross the event loop.
// - A failure of an open connection raises OnError, then closes it with
//   OnDisconnect. When the peer closes or half-closes, OnDisconnect follows
//   the OnRead events for the data that came before.
// - setActive(true) while an earlier attempt is still looking up or connecting
//   abandons that attempt, without events, and starts a new one.
// - Destroying the client closes its socket without events.
class TClientSocket
{
public:
    using TSocketNotifyEvent = std::function<void(TClientSocket* Sender, TClientWinSocket* Socket)>;
    using TSocketErrorEvent = std::function<void(TClientSocket* Sender, TClientWinSocket* Socket,
                                                 TErrorEvent ErrorEvent, int& ErrorCode)>;

    explicit TClientSocket(HostResolver& resolver);
    ~TClientSocket();
    TClientSocket(const TClientSocket&) = delete;
    TClientSocket& operator=(const TClientSocket&) = delete;

    TClientType ClientType = ctNonBlocking;
    QString Host;
    int Port = 0;
    // This machine's IPv6 address an IPv6 connection leaves from; empty: the system's choice.
    QString BindAddress;

    // True from OnConnect until the connection ends.
    bool Active() const { return m_state == State::Connected; }
    // true: connect, unless connected already; false: close.
    void setActive(bool active);
    TClientWinSocket* Socket() { return &m_socket; }

    TSocketNotifyEvent OnLookup;
    TSocketNotifyEvent OnConnecting;
    TSocketNotifyEvent OnConnect;
    TSocketNotifyEvent OnDisconnect;
    TSocketNotifyEvent OnRead;
    TSocketNotifyEvent OnWrite;
    TSocketErrorEvent OnError;

private:
    friend class TClientWinSocket;
    enum class State
    {
        Idle,
        LookingUp,
        Connecting,
        Connected
    };
    using Life = std::weak_ptr<int>;

    void lookedUp(quint64 attempt, const HostLookupResult& result);
    void connectIPv6(quint64 attempt, const QHostAddress& address);
    // False after a failure it reported.
    bool openSocket(quint64 attempt, int family);
    void watch(int fd);
    void writable();
    void readable();
    int write(const QByteArray& bytes);
    QByteArray readAvailable();
    void closeConnection();
    void failAttempt(TErrorEvent event, int code);
    void connectionFailed(TErrorEvent event, int code);
    void failLater(TErrorEvent event, int code);
    int release();
    bool notify(const TSocketNotifyEvent& event, quint64 attempt);
    int askOnError(TErrorEvent event, int code);
    static void raiseUnlessCleared(TErrorEvent event, int code);
    static void dispatch(const std::function<void()>& step);

    HostResolver& m_resolver;
    QObject m_context;
    TClientWinSocket m_socket{*this};
    State m_state = State::Idle;
    quint64 m_attempt = 0; // changes whenever an attempt starts or ends
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QByteArray m_unsent;
    bool m_failing = false;
    std::shared_ptr<int> m_life = std::make_shared<int>(0);
};
