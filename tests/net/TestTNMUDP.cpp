#include "LoopbackSockets.h"
#include "fakes/FakePlatform.h"
#include "fakes/ScriptedHostResolver.h"
#include "net/TNMUDP.h"
#include "platform/Timer.h"

#include <QBuffer>
#include <QTest>

#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace {

struct Datagram
{
    int count = 0;
    QByteArray bytes;
    QString fromIp;
    int port = 0;
};

void collect(TNMUDP& endpoint, QList<Datagram>& into)
{
    endpoint.OnDataReceived = [&into](TNMUDP* sender, int count, const QString& fromIp, int port) {
        QByteArray buffer(10000, '\0');
        int length = 0;
        sender->FetchBytes(buffer, length);
        into.append({count, length > 0 ? buffer.left(length) : QByteArray(), fromIp, port});
    };
}

void aim(TNMUDP& endpoint, const QString& host, int port)
{
    endpoint.RemoteHost = host;
    endpoint.RemotePort = port;
}

// The message of the UDPSockError that `send` raises, or empty.
QString errorOf(const std::function<void()>& send)
{
    try {
        send();
    } catch (const UDPSockError& error) {
        return error.message();
    }
    return {};
}

const QString kLoopback = QStringLiteral("127.0.0.1");

} // namespace

class TestTNMUDP : public QObject
{
    Q_OBJECT

private slots:
    void sendsToALiteralWithoutLookUp()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QList<Datagram> received;
        collect(receiver, received);
        int sent = 0;
        sender.OnDataSend = [&](TNMUDP* endpoint) { sent += endpoint == &sender; };

        aim(sender, kLoopback, ports[1]);
        sender.SendBytes("hello", 5);

        QCOMPARE(resolver.lookups, 0);
        QCOMPARE(sent, 1);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0].count, 5);
        QCOMPARE(received[0].bytes, QByteArray("hello"));
        QCOMPARE(received[0].fromIp, kLoopback);
        QCOMPARE(received[0].port, int(ports[0]));
    }

    void looksUpANameOnEverySend()
    {
        FakeHostResolver resolver;
        resolver.hosts.insert(QStringLiteral("localhost"), {loopback::address});
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QList<Datagram> received;
        collect(receiver, received);

        aim(sender, QStringLiteral("localhost"), ports[1]);
        sender.SendBytes("one", 3);
        sender.SendBytes("two", 3);
        QCOMPARE(resolver.lookups, 2);
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received[1].bytes, QByteArray("two"));

        // A new name takes effect at once; an unknown one fails twice, then gives up.
        sender.RemoteHost = QStringLiteral("nowhere.example");
        QCOMPARE(errorOf([&] { sender.SendBytes("three", 5); }), QStringLiteral("Host Lookup Canceled"));
        QCOMPARE(resolver.lookups, 4);

        sender.RemoteHost = QStringLiteral("localhost");
        sender.SendBytes("four", 4);
        QTRY_COMPARE(received.size(), 3);
        QCOMPARE(received[2].bytes, QByteArray("four"));
    }

    void lookUpWaitKeepsTheProgramRunning()
    {
        ScriptedHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QList<Datagram> received;
        QList<Datagram> arrivedWhileWaiting;
        collect(receiver, received);
        collect(sender, arrivedWhileWaiting);
        std::uint16_t rawPort = 0;
        const int raw = loopback::boundSocket(SOCK_DGRAM, rawPort);

        int ticks = 0;
        QString nestedSend;
        Timer ticker([&] {
            if (++ticks == 1) {
                loopback::sendTo(raw, ports[0], "during the wait");
                nestedSend = errorOf([&] { sender.SendBytes("nested", 6); });
            }
            if (ticks >= 3 && !arrivedWhileWaiting.isEmpty() && resolver.held() == 1)
                resolver.release(ScriptedHostResolver::address(loopback::address));
        });
        Timer guard([&] {
            resolver.answers = {ScriptedHostResolver::failure()};
            resolver.release(ScriptedHostResolver::failure());
        });
        ticker.setInterval(1);
        guard.setInterval(10000);

        aim(sender, QStringLiteral("slow.example"), ports[1]);
        sender.SendBytes("after the wait", 14);
        ticker.setInterval(0);
        guard.setInterval(0);

        QVERIFY(ticks >= 3);
        QCOMPARE(arrivedWhileWaiting.size(), 1);
        QCOMPARE(arrivedWhileWaiting[0].bytes, QByteArray("during the wait"));
        QCOMPARE(nestedSend, QStringLiteral("Send In Progress"));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0].bytes, QByteArray("after the wait"));
        ::close(raw);

        // The endpoint may go away while it waits; the send then just ends.
        auto doomed = std::make_unique<TNMUDP>(resolver);
        aim(*doomed, QStringLiteral("slow.example"), ports[1]);
        Timer destroyer([&] { doomed.reset(); });
        destroyer.setInterval(1);
        doomed->SendBytes("never", 5);
        destroyer.setInterval(0);
        QVERIFY(!doomed);
    }

    void failedThenSuccessfulLookUpCallsOnInvalidHostOnce()
    {
        ScriptedHostResolver resolver;
        resolver.answers = {ScriptedHostResolver::failure(),
                            ScriptedHostResolver::address(loopback::address)};
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QList<Datagram> received;
        collect(receiver, received);
        int invalidHost = 0;
        sender.OnInvalidHost = [&](bool& handled) {
            QVERIFY(!handled);
            ++invalidHost;
        };

        aim(sender, QStringLiteral("flaky.example"), ports[1]);
        sender.SendBytes("retried", 7);
        QCOMPARE(invalidHost, 1);
        QCOMPARE(resolver.asked.size(), 2);
        QTRY_COMPARE(received.size(), 1);

        // Two failures give up, whatever the handler answered.
        resolver.answers = {ScriptedHostResolver::failure(), ScriptedHostResolver::failure()};
        sender.OnInvalidHost = [&](bool& handled) {
            handled = true;
            ++invalidHost;
        };
        QCOMPARE(errorOf([&] { sender.SendBytes("lost", 4); }), QStringLiteral("Host Lookup Canceled"));
        QCOMPARE(invalidHost, 2);
    }

    void secondEndpointOnATakenPortGetsRepliesOnItsOwnPort()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        const int shared = ports[0];
        TNMUDP first(resolver);
        TNMUDP second(resolver);
        TNMUDP peer(resolver);
        first.setLocalPort(shared);
        second.setLocalPort(shared);
        peer.setLocalPort(ports[1]);
        QList<Datagram> toFirst;
        QList<Datagram> toSecond;
        QList<Datagram> toPeer;
        collect(first, toFirst);
        collect(second, toSecond);
        peer.OnDataReceived = [&](TNMUDP* endpoint, int count, const QString& fromIp, int port) {
            QByteArray buffer(TNMUDP::MaxDatagram, '\0');
            int length = 0;
            endpoint->FetchBytes(buffer, length);
            toPeer.append({count, buffer.left(length), fromIp, port});
            aim(*endpoint, fromIp, port);
            endpoint->SendBytes("re " + buffer.left(length), length + 3);
        };

        aim(first, kLoopback, ports[1]);
        aim(second, kLoopback, ports[1]);
        first.SendBytes("first", 5);
        QTRY_COMPARE(toFirst.size(), 1);
        second.SendBytes("second", 6);
        QTRY_COMPARE(toSecond.size(), 1);

        QCOMPARE(toPeer.size(), 2);
        QCOMPARE(toPeer[0].port, shared);
        QVERIFY(toPeer[1].port != shared);
        QCOMPARE(toFirst[0].bytes, QByteArray("re first"));
        QCOMPARE(toSecond[0].bytes, QByteArray("re second"));
    }

    void deliversDatagramsUpTo2048BytesWhole_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << 0 << 0;
        QTest::newRow("one byte") << 1 << 1;
        QTest::newRow("largest") << 2048 << 2048;
        QTest::newRow("one too many") << 2049 << -1;
        QTest::newRow("far too many") << 60000 << -1;
    }

    void deliversDatagramsUpTo2048BytesWhole()
    {
        QFETCH(int, size);
        QFETCH(int, count);
        FakeHostResolver resolver;
        TNMUDP receiver(resolver);
        receiver.setLocalPort(loopback::freePorts(SOCK_DGRAM, 1)[0]);
        QByteArray payload(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            payload[i] = char(i * 7 + 1);

        int events = 0;
        int reported = 0;
        int length = 0;
        QByteArray fetched(3000, 'x');
        QByteArray streamed("keep");
        QString fetchError;
        receiver.OnDataReceived = [&](TNMUDP* endpoint, int numberBytes, const QString&, int) {
            ++events;
            reported = numberBytes;
            endpoint->FetchBytes(fetched, length);
            QBuffer stream(&streamed);
            stream.open(QIODevice::ReadWrite);
            stream.seek(4);
            fetchError = errorOf([&] { endpoint->FetchData(stream); });
            QCOMPARE(stream.pos(), count < 0 ? 4 : 0);
        };
        std::uint16_t rawPort = 0;
        const int raw = loopback::boundSocket(SOCK_DGRAM, rawPort);
        loopback::sendTo(raw, quint16(receiver.LocalPort()), payload);
        QTRY_COMPARE(events, 1);
        ::close(raw);

        QCOMPARE(reported, count);
        QCOMPARE(length, count);
        if (count >= 0) {
            QCOMPARE(fetched.left(size), payload);
            QCOMPARE(fetched.mid(size), QByteArray(3000 - size, 'x'));
            QCOMPARE(streamed, "keep" + payload);
            QCOMPARE(fetchError, QString());
        } else {
            QCOMPARE(fetched, QByteArray(3000, 'x'));
            QCOMPARE(streamed, QByteArray("keep"));
            QCOMPARE(fetchError, QStringLiteral("Stream write error"));
        }
    }

    void reportsEveryDatagramOfABurstOnce()
    {
        FakeHostResolver resolver;
        TNMUDP receiver(resolver);
        receiver.setLocalPort(loopback::freePorts(SOCK_DGRAM, 1)[0]);
        QList<Datagram> received;
        collect(receiver, received);
        std::uint16_t rawPort = 0;
        const int raw = loopback::boundSocket(SOCK_DGRAM, rawPort);
        constexpr int burst = 100;
        for (int i = 0; i < burst; ++i)
            loopback::sendTo(raw, quint16(receiver.LocalPort()), QByteArray::number(i));
        QTRY_COMPARE(received.size(), burst);
        ::close(raw);
        for (int i = 0; i < burst; ++i)
            QCOMPARE(received[i].bytes, QByteArray::number(i));
    }

    void fetchDataWritesAtTheStreamPosition()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QByteArray atEnd("head:");
        QByteArray inside("0123456789");
        receiver.OnDataReceived = [&](TNMUDP* endpoint, int, const QString&, int) {
            QBuffer end(&atEnd);
            end.open(QIODevice::ReadWrite);
            end.seek(end.size());
            endpoint->FetchData(end);
            QBuffer middle(&inside);
            middle.open(QIODevice::ReadWrite);
            middle.seek(4);
            endpoint->FetchData(middle);
            QCOMPARE(middle.pos(), 0);
        };
        aim(sender, kLoopback, ports[1]);
        sender.SendBytes("ab", 2);
        QTRY_COMPARE(atEnd, QByteArray("head:ab"));
        QCOMPARE(inside, QByteArray("0123ab6789"));
    }

    void emptyStreamGetsOneChance()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QList<Datagram> received;
        collect(receiver, received);
        aim(sender, kLoopback, ports[1]);
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);

        QCOMPARE(errorOf([&] { sender.SendData(stream); }), QStringLiteral("Invalid stream"));

        int calls = 0;
        sender.OnStreamInvalid = [&](bool& handled, QIODevice&) {
            ++calls;
            handled = true;
        };
        QCOMPARE(errorOf([&] { sender.SendData(stream); }), QStringLiteral("Invalid stream"));
        QCOMPARE(calls, 1);

        sender.OnStreamInvalid = [](bool&, QIODevice& empty) { empty.write("unhandled"); };
        QCOMPARE(errorOf([&] { sender.SendData(stream); }), QStringLiteral("Invalid stream"));

        QBuffer fresh;
        fresh.open(QIODevice::ReadWrite);
        sender.OnStreamInvalid = [](bool& handled, QIODevice& empty) {
            empty.write("supplied");
            handled = true;
        };
        sender.SendData(fresh);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0].bytes, QByteArray("supplied"));
    }

    void emptyBufferGetsOneChance()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QList<Datagram> received;
        collect(receiver, received);
        aim(sender, kLoopback, ports[1]);

        QCOMPARE(errorOf([&] { sender.SendBytes("unused", 0); }), QStringLiteral("Invalid buffer"));

        int calls = 0;
        sender.OnBufferInvalid = [&](bool& handled, QByteArray&, int&) {
            ++calls;
            handled = true;
        };
        QCOMPARE(errorOf([&] { sender.SendBytes("unused", 0); }), QStringLiteral("Invalid buffer"));
        QCOMPARE(calls, 1);

        const QByteArray callers("callers");
        sender.OnBufferInvalid = [](bool& handled, QByteArray& buffer, int& length) {
            buffer = "replaced";
            length = 8;
            handled = true;
        };
        sender.SendBytes(callers, 0);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0].bytes, QByteArray("replaced"));
        QCOMPARE(callers, QByteArray("callers"));
    }

    void refusesSendsOutsideItsLimits()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        TNMUDP sender(resolver);
        TNMUDP receiver(resolver);
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        QList<Datagram> received;
        collect(receiver, received);
        int sent = 0;
        sender.OnDataSend = [&](TNMUDP*) { ++sent; };
        aim(sender, kLoopback, ports[1]);

        const QByteArray tooLong(TNMUDP::MaxDatagram + 1, 'x');
        QCOMPARE(errorOf([&] { sender.SendBytes(tooLong, int(tooLong.size())); }),
                 QStringLiteral("Datagram Too Long"));
        QByteArray content = tooLong;
        QBuffer stream(&content);
        stream.open(QIODevice::ReadOnly);
        QCOMPARE(errorOf([&] { sender.SendData(stream); }), QStringLiteral("Datagram Too Long"));
        QCOMPARE(errorOf([&] { sender.SendBytes("abc", 4); }), QStringLiteral("Invalid buffer"));
        QCOMPARE(errorOf([&] { sender.SendBytes("abc", -1); }), QStringLiteral("Invalid buffer"));
        QBuffer unopened(&content);
        QCOMPARE(errorOf([&] { sender.SendData(unopened); }), QStringLiteral("Invalid stream"));

        sender.RemoteHost = QString(TNMUDP::MaxHostLength + 1, QLatin1Char('a'));
        QCOMPARE(errorOf([&] { sender.SendBytes("abc", 3); }), QStringLiteral("Host Name Too Long"));
        sender.RemoteHost.clear();
        QCOMPARE(errorOf([&] { sender.SendBytes("abc", 3); }), QStringLiteral("Null Remote Address"));
        sender.RemoteHost = QStringLiteral("0.0.0.0");
        QCOMPARE(errorOf([&] { sender.SendBytes("abc", 3); }), QStringLiteral("Null Remote Address"));
        QCOMPARE(resolver.lookups, 0);
        QCOMPARE(sent, 0);

        // Refusals leave the endpoint as it was.
        sender.RemoteHost = kLoopback;
        content.truncate(TNMUDP::MaxDatagram);
        sender.SendData(stream);
        QCOMPARE(sent, 1);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0].bytes, content);
    }

    void closesItsSocketsOnEveryPath()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        const int before = loopback::openDescriptors();
        {
            TNMUDP endpoint(resolver);
            for (int i = 0; i < 10000; ++i)
                endpoint.setLocalPort(ports[i % 2]);
            TNMUDP holder(resolver); // keeps one port taken, so that binds also fail
            holder.setLocalPort(ports[0]);
            for (int i = 0; i < 100; ++i)
                endpoint.setLocalPort(ports[0]);
        }
        for (int i = 0; i < 10000; ++i) {
            TNMUDP endpoint(resolver);
            endpoint.setLocalPort(ports[i % 2]);
        }
        QCOMPARE(loopback::openDescriptors(), before);
    }
};

QTEST_GUILESS_MAIN(TestTNMUDP)
#include "TestTNMUDP.moc"
