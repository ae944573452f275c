#include "LoopbackSockets.h"
#include "fakes/ScriptedHostResolver.h"
#include "net/TClientSocket.h"
#include "platform/ThreadedHostResolver.h"

#include <QRegularExpression>
#include <QTest>

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");

// Every event as a line; errors as "error <event> <code>", cleared.
void record(TClientSocket& client, QStringList& events)
{
    const auto note = [&events](const char* name) {
        return [&events, name](TClientSocket*, TClientWinSocket*) { events << QLatin1String(name); };
    };
    client.OnLookup = note("lookup");
    client.OnConnecting = note("connecting");
    client.OnConnect = note("connect");
    client.OnWrite = note("write");
    client.OnRead = note("read");
    client.OnDisconnect = note("disconnect");
    client.OnError = [&events](TClientSocket*, TClientWinSocket*, TErrorEvent event, int& code) {
        events << QStringLiteral("error %1 %2").arg(event).arg(code);
        code = 0;
    };
}

int listeningSocket(std::uint16_t& port)
{
    const int fd = loopback::boundSocket(SOCK_STREAM, port);
    ::listen(fd, 4);
    return fd;
}

} // namespace

class TestTClientSocket : public QObject
{
    Q_OBJECT

private slots:
    void connectsWritesReadsAndClosesInOrder()
    {
        ThreadedHostResolver resolver;
        std::uint16_t port = 0;
        const int listener = listeningSocket(port);
        TClientSocket client(resolver);
        QStringList events;
        record(client, events);
        QByteArray reply;
        client.OnWrite = [&](TClientSocket*, TClientWinSocket* socket) {
            events << QStringLiteral("write");
            QCOMPARE(socket->WriteBytes("request"), 7);
        };
        client.OnRead = [&](TClientSocket* sender, TClientWinSocket* socket) {
            events << QStringLiteral("read");
            reply += socket->ReadText();
            if (reply != "reply")
                return;
            events << QStringLiteral("close");
            socket->Close();
            events << QStringLiteral("closed, active %1").arg(sender->Active());
        };

        client.ClientType = ctNonBlocking;
        client.Host = kLoopback;
        client.Port = port;
        client.setActive(true);
        QCOMPARE(events, QStringList{QStringLiteral("lookup")}); // returns before connecting
        QTRY_VERIFY(client.Active());
        client.setActive(true); // already active: nothing happens
        const int server = loopback::acceptConnection(listener);
        QCOMPARE(loopback::receive(server), QByteArray("request"));
        ::send(server, "reply", 5, 0);

        QTRY_COMPARE(events.size(), 8);
        QCOMPARE(events, QStringList({"lookup", "connecting", "connect", "write", "read", "close",
                                      "disconnect", "closed, active 0"}));
        QCOMPARE(loopback::receive(server), QByteArray()); // the client's end of stream
        ::close(server);
        ::close(listener);
    }

    void peerClosingFirstEndsAfterItsData_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("close") << "close" << QStringList();
        QTest::newRow("half-close") << "half-close" << QStringList();
        QTest::newRow("reset") << "reset"
                               << QStringList{QStringLiteral("error %1 %2").arg(eeReceive).arg(ECONNRESET)};
    }

    void peerClosingFirstEndsAfterItsData()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, errors);
        ThreadedHostResolver resolver;
        std::uint16_t port = 0;
        const int listener = listeningSocket(port);
        TClientSocket client(resolver);
        QStringList events;
        record(client, events);
        QByteArray received;
        client.OnRead = [&](TClientSocket*, TClientWinSocket* socket) {
            events << QStringLiteral("read");
            received += socket->ReadText();
        };
        client.Host = kLoopback;
        client.Port = port;
        client.setActive(true);
        QTRY_VERIFY(client.Active());
        const int server = loopback::acceptConnection(listener);

        ::send(server, "tail", 4, 0);
        if (how == "half-close") {
            ::shutdown(server, SHUT_WR);
        } else {
            if (how == "reset") {
                const linger abortive{1, 0};
                ::setsockopt(server, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            }
            ::close(server);
        }

        QTRY_VERIFY(events.contains("disconnect"));
        QCOMPARE(received, QByteArray("tail"));
        QCOMPARE(events.last(), QStringLiteral("disconnect"));
        QCOMPARE(events.count("disconnect"), 1);
        QVERIFY(events.indexOf("read") < events.indexOf("disconnect"));
        QCOMPARE(events.filter(QStringLiteral("error")), errors);
        QVERIFY(!client.Active());
        if (how == "half-close")
            ::close(server);
        ::close(listener);
    }

    void refusedConnectionReachesOnError_data()
    {
        QTest::addColumn<bool>("cleared");
        QTest::newRow("handler clears the code") << true;
        QTest::newRow("handler leaves the code") << false;
    }

    void refusedConnectionReachesOnError()
    {
        QFETCH(bool, cleared);
        ThreadedHostResolver resolver;
        std::uint16_t port = 0;
        const int notListening = loopback::boundSocket(SOCK_STREAM, port);
        TClientSocket client(resolver);
        QStringList events;
        record(client, events);
        client.OnError = [&](TClientSocket*, TClientWinSocket*, TErrorEvent event, int& code) {
            events << QStringLiteral("error %1 %2").arg(event).arg(code);
            if (cleared)
                code = 0;
        };
        if (cleared)
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        else
            QTest::ignoreMessage(
                QtWarningMsg,
                QRegularExpression(QStringLiteral("^Socket error %1 on connect").arg(ECONNREFUSED)));
        client.Host = kLoopback;
        client.Port = port;
        client.setActive(true);

        QTRY_COMPARE(events.size(), 3);
        QCOMPARE(events, QStringList({"lookup", "connecting",
                                      QStringLiteral("error %1 %2").arg(eeConnect).arg(ECONNREFUSED)}));
        QVERIFY(!client.Active());
        ::close(notListening);
    }

    void emptyHostFailsDuringActivation_data()
    {
        QTest::addColumn<bool>("handled");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("handler clears the code") << true << true;
        QTest::newRow("handler leaves the code") << true << false;
        QTest::newRow("no handler") << false << false;
    }

    void emptyHostFailsDuringActivation()
    {
        QFETCH(bool, handled);
        QFETCH(bool, cleared);
        ScriptedHostResolver resolver;
        TClientSocket client(resolver);
        QStringList events;
        record(client, events);
        client.OnError = [&](TClientSocket*, TClientWinSocket*, TErrorEvent event, int& code) {
            events << QStringLiteral("error %1 %2").arg(event).arg(code);
            if (cleared)
                code = 0;
        };
        if (!handled)
            client.OnError = nullptr;

        bool raised = false;
        try {
            client.setActive(true);
        } catch (const SocketError&) {
            raised = true;
        }
        QCOMPARE(raised, !cleared);
        QCOMPARE(events, handled ? QStringList{QStringLiteral("error %1 %2").arg(eeLookup).arg(EAI_NONAME)}
                                 : QStringList());
        QVERIFY(resolver.asked.isEmpty());
        QVERIFY(!client.Active());
    }

    void newActivationAbandonsAnAttemptStillLookingUp()
    {
        ScriptedHostResolver resolver;
        std::uint16_t port = 0;
        const int listener = listeningSocket(port);
        TClientSocket client(resolver);
        QStringList events;
        record(client, events);
        client.Host = kLoopback;
        client.Port = port;

        client.setActive(true);
        client.setActive(true);
        QCOMPARE(resolver.held(), 2);
        resolver.release(ScriptedHostResolver::address(loopback::address));
        resolver.release(ScriptedHostResolver::address(loopback::address));

        QTRY_VERIFY(client.Active());
        QCOMPARE(events, QStringList({"lookup", "lookup", "connecting", "connect", "write"}));
        const int server = loopback::acceptConnection(listener);
        QVERIFY(server >= 0);
        ::close(server);
        QTRY_VERIFY(events.contains("disconnect"));
        ::close(listener);
    }

    void closesItsSocketsAfterFailedConnects()
    {
        ThreadedHostResolver resolver;
        std::uint16_t port = 0;
        const int notListening = loopback::boundSocket(SOCK_STREAM, port);
        const int before = loopback::openDescriptors();
        int failures = 0;
        {
            TClientSocket client(resolver);
            client.Host = kLoopback;
            client.Port = port;
            client.OnError = [&](TClientSocket* sender, TClientWinSocket*, TErrorEvent, int& code) {
                code = 0;
                if (++failures < 10000)
                    sender->setActive(true);
            };
            client.setActive(true);
            QTRY_COMPARE_WITH_TIMEOUT(failures, 10000, 120000);
        }
        QCOMPARE(loopback::openDescriptors(), before);
        ::close(notListening);
    }
};

QTEST_GUILESS_MAIN(TestTClientSocket)
#include "TestTClientSocket.moc"
