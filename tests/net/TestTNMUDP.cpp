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

const QString kLoopback = QStringLiteral("127.0.0.1");

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
        into.append({count, buffer.left(std::max(length, 0)), fromIp, port});
    };
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

// A sender aimed at a receiver that collects what arrives, both on free ports.
struct Link
{
    explicit Link(HostResolver& resolver, const QString& host = kLoopback)
        : ports(loopback::freePorts(SOCK_DGRAM, 2)), sender(resolver), receiver(resolver)
    {
        sender.setLocalPort(ports[0]);
        receiver.setLocalPort(ports[1]);
        sender.RemoteHost = host;
        sender.RemotePort = ports[1];
        collect(receiver, received);
    }

    QList<std::uint16_t> ports;
    TNMUDP sender;
    TNMUDP receiver;
    QList<Datagram> received;
};

} // namespace

class TestTNMUDP : public QObject
{
    Q_OBJECT

private slots:
    void sendsToALiteralWithoutLookUp()
    {
        FakeHostResolver resolver;
        Link link(resolver);
        int sent = 0;
        link.sender.OnDataSend = [&](TNMUDP* endpoint) { sent += endpoint == &link.sender; };

        link.sender.SendBytes("hello", 5);
        QCOMPARE(resolver.lookups, 0);
        QCOMPARE(sent, 1);
        QTRY_COMPARE(link.received.size(), 1);
        QCOMPARE(link.received[0].count, 5);
        QCOMPARE(link.received[0].bytes, QByteArray("hello"));
        QCOMPARE(link.received[0].fromIp, kLoopback);
        QCOMPARE(link.received[0].port, int(link.ports[0]));
    }

    void looksUpANameOnEverySend()
    {
        FakeHostResolver resolver;
        resolver.hosts.insert(QStringLiteral("localhost"), {loopback::address});
        Link link(resolver, QStringLiteral("localhost"));

        link.sender.SendBytes("one", 3);
        link.sender.SendBytes("two", 3);
        QCOMPARE(resolver.lookups, 2);
        QTRY_COMPARE(link.received.size(), 2);

        // A new name takes effect at once; an unknown one fails twice, then gives up.
        link.sender.RemoteHost = QStringLiteral("nowhere.example");
        QCOMPARE(errorOf([&] { link.sender.SendBytes("three", 5); }), QStringLiteral("Host Lookup Canceled"));
        QCOMPARE(resolver.lookups, 4);
        link.sender.RemoteHost = QStringLiteral("localhost");
        link.sender.SendBytes("four", 4);
        QTRY_COMPARE(link.received.size(), 3);
        QCOMPARE(link.received[2].bytes, QByteArray("four"));
    }

    void lookUpWaitKeepsTheProgramRunning()
    {
        ScriptedHostResolver resolver;
        Link link(resolver, QStringLiteral("slow.example"));
        QList<Datagram> arrivedWhileWaiting;
        collect(link.sender, arrivedWhileWaiting);
        std::uint16_t rawPort = 0;
        const int raw = loopback::boundSocket(SOCK_DGRAM, rawPort);

        int ticks = 0;
        QString nestedSend;
        Timer ticker([&] {
            if (++ticks == 1) {
                loopback::sendTo(raw, link.ports[0], "during the wait");
                nestedSend = errorOf([&] { link.sender.SendBytes("nested", 6); });
            }
            if (ticks >= 3 && !arrivedWhileWaiting.isEmpty() && resolver.held() == 1)
                resolver.release(ScriptedHostResolver::address(loopback::address));
        });
        Timer guard([&] { // ends a stuck wait with failures instead of hanging
            resolver.answers = {ScriptedHostResolver::failure()};
            resolver.release(ScriptedHostResolver::failure());
        });
        ticker.setInterval(1);
        guard.setInterval(10000);
        link.sender.SendBytes("after the wait", 14);
        ticker.setInterval(0);
        guard.setInterval(0);
        ::close(raw);

        QVERIFY(ticks >= 3);
        QCOMPARE(arrivedWhileWaiting.size(), 1);
        QCOMPARE(arrivedWhileWaiting[0].bytes, QByteArray("during the wait"));
        QCOMPARE(nestedSend, QStringLiteral("Send In Progress"));
        QTRY_COMPARE(link.received.size(), 1);
        QCOMPARE(link.received[0].bytes, QByteArray("after the wait"));

        // The endpoint may go away while it waits; the send then just ends.
        auto doomed = std::make_unique<TNMUDP>(resolver);
        doomed->RemoteHost = QStringLiteral("slow.example");
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
        Link link(resolver, QStringLiteral("flaky.example"));
        int invalidHost = 0;
        link.sender.OnInvalidHost = [&](bool& handled) {
            QVERIFY(!handled);
            ++invalidHost;
        };

        link.sender.SendBytes("retried", 7);
        QCOMPARE(invalidHost, 1);
        QCOMPARE(resolver.asked.size(), 2);
        QTRY_COMPARE(link.received.size(), 1);

        // Two failures give up, whatever the handler answers.
        resolver.answers = {ScriptedHostResolver::failure(), ScriptedHostResolver::failure()};
        link.sender.OnInvalidHost = [&](bool& handled) {
            handled = true;
            ++invalidHost;
        };
        QCOMPARE(errorOf([&] { link.sender.SendBytes("lost", 4); }), QStringLiteral("Host Lookup Canceled"));
        QCOMPARE(invalidHost, 2);
    }

    void secondEndpointOnATakenPortGetsRepliesOnItsOwnPort()
    {
        FakeHostResolver resolver;
        Link first(resolver);
        const int shared = first.ports[0];
        TNMUDP second(resolver);
        second.setLocalPort(shared);
        second.RemoteHost = kLoopback;
        second.RemotePort = first.ports[1];
        QList<Datagram> toFirst;
        QList<Datagram> toSecond;
        collect(first.sender, toFirst);
        collect(second, toSecond);
        first.receiver.OnDataReceived = [&](TNMUDP* peer, int, const QString& fromIp, int port) {
            QByteArray buffer(TNMUDP::MaxDatagram, '\0');
            int length = 0;
            peer->FetchBytes(buffer, length);
            first.received.append({length, buffer.left(length), fromIp, port});
            peer->RemoteHost = fromIp;
            peer->RemotePort = port;
            peer->SendBytes("re " + buffer.left(length), length + 3);
        };

        first.sender.SendBytes("first", 5);
        QTRY_COMPARE(toFirst.size(), 1);
        second.SendBytes("second", 6);
        QTRY_COMPARE(toSecond.size(), 1);
        QCOMPARE(first.received[0].port, shared);
        QVERIFY(first.received[1].port != shared);
        QCOMPARE(toFirst[0].bytes, QByteArray("re first"));
        QCOMPARE(toSecond[0].bytes, QByteArray("re second"));
    }

    void deliversDatagramsUpTo2048BytesWhole_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("count");
        QTest::newRow("empty") << 0 << 0;
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
        QList<int> reported;
        int length = 0;
        QByteArray fetched(3000, 'x');
        QByteArray streamed("keep");
        QString fetchError;
        receiver.OnDataReceived = [&](TNMUDP* endpoint, int numberBytes, const QString&, int) {
            reported << numberBytes;
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
        QTRY_COMPARE(reported, QList<int>{count});
        ::close(raw);

        QCOMPARE(length, count);
        const int copied = std::max(count, 0);
        QCOMPARE(fetched, payload.left(copied) + QByteArray(3000 - copied, 'x'));
        QCOMPARE(streamed, "keep" + payload.left(copied));
        QCOMPARE(fetchError, count < 0 ? QStringLiteral("Stream write error") : QString());
    }

    void reportsEveryDatagramOfABurstOnce()
    {
        FakeHostResolver resolver;
        Link link(resolver);
        std::uint16_t rawPort = 0;
        const int raw = loopback::boundSocket(SOCK_DGRAM, rawPort);
        for (int i = 0; i < 100; ++i)
            loopback::sendTo(raw, link.ports[1], QByteArray::number(i));
        QTRY_COMPARE(link.received.size(), 100);
        ::close(raw);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(link.received[i].bytes, QByteArray::number(i));
    }

    void fetchDataWritesAtTheStreamPosition()
    {
        FakeHostResolver resolver;
        Link link(resolver);
        QByteArray atEnd("head:");
        QByteArray inside("0123456789");
        link.receiver.OnDataReceived = [&](TNMUDP* endpoint, int, const QString&, int) {
            for (auto [content, position] : {std::pair{&atEnd, 5}, std::pair{&inside, 4}}) {
                QBuffer stream(content);
                stream.open(QIODevice::ReadWrite);
                stream.seek(position);
                endpoint->FetchData(stream);
                QCOMPARE(stream.pos(), 0);
            }
        };
        link.sender.SendBytes("ab", 2);
        QTRY_COMPARE(atEnd, QByteArray("head:ab"));
        QCOMPARE(inside, QByteArray("0123ab6789"));
    }

    void emptyStreamGetsOneChance()
    {
        FakeHostResolver resolver;
        Link link(resolver);
        QBuffer stream;
        stream.open(QIODevice::ReadWrite);
        QCOMPARE(errorOf([&] { link.sender.SendData(stream); }), QStringLiteral("Invalid stream"));

        int calls = 0;
        link.sender.OnStreamInvalid = [&](bool& handled, QIODevice&) {
            ++calls;
            handled = true;
        };
        QCOMPARE(errorOf([&] { link.sender.SendData(stream); }), QStringLiteral("Invalid stream"));
        QCOMPARE(calls, 1);

        link.sender.OnStreamInvalid = [](bool&, QIODevice& empty) { empty.write("unhandled"); };
        QCOMPARE(errorOf([&] { link.sender.SendData(stream); }), QStringLiteral("Invalid stream"));

        QBuffer fresh;
        fresh.open(QIODevice::ReadWrite);
        link.sender.OnStreamInvalid = [](bool& handled, QIODevice& empty) {
            handled = empty.write("supplied") > 0;
        };
        link.sender.SendData(fresh);
        QTRY_COMPARE(link.received.size(), 1);
        QCOMPARE(link.received[0].bytes, QByteArray("supplied"));
    }

    void emptyBufferGetsOneChance()
    {
        FakeHostResolver resolver;
        Link link(resolver);
        QCOMPARE(errorOf([&] { link.sender.SendBytes("unused", 0); }), QStringLiteral("Invalid buffer"));

        int calls = 0;
        link.sender.OnBufferInvalid = [&](bool& handled, QByteArray&, int&) {
            ++calls;
            handled = true;
        };
        QCOMPARE(errorOf([&] { link.sender.SendBytes("unused", 0); }), QStringLiteral("Invalid buffer"));
        QCOMPARE(calls, 1);

        const QByteArray callers("callers");
        link.sender.OnBufferInvalid = [](bool& handled, QByteArray& buffer, int& length) {
            buffer = "replaced";
            length = 8;
            handled = true;
        };
        link.sender.SendBytes(callers, 0);
        QTRY_COMPARE(link.received.size(), 1);
        QCOMPARE(link.received[0].bytes, QByteArray("replaced"));
        QCOMPARE(callers, QByteArray("callers"));
    }

    void refusesSendsOutsideItsLimits()
    {
        FakeHostResolver resolver;
        Link link(resolver);
        TNMUDP& sender = link.sender;
        int sent = 0;
        sender.OnDataSend = [&](TNMUDP*) { ++sent; };
        QByteArray content(TNMUDP::MaxDatagram + 1, 'x');
        QBuffer stream(&content);
        stream.open(QIODevice::ReadOnly);
        QBuffer unopened(&content);
        const auto errorSending = [&](const QString& host, const QByteArray& bytes, int length) {
            sender.RemoteHost = host;
            return errorOf([&] { sender.SendBytes(bytes, length); });
        };

        QCOMPARE(errorSending(kLoopback, content, int(content.size())), QStringLiteral("Datagram Too Long"));
        QCOMPARE(errorOf([&] { sender.SendData(stream); }), QStringLiteral("Datagram Too Long"));
        QCOMPARE(errorOf([&] { sender.SendData(unopened); }), QStringLiteral("Invalid stream"));
        QCOMPARE(errorSending(kLoopback, "abc", 4), QStringLiteral("Invalid buffer"));
        QCOMPARE(errorSending(kLoopback, "abc", -1), QStringLiteral("Invalid buffer"));
        QCOMPARE(errorSending(QString(131, QLatin1Char('a')), "abc", 3),
                 QStringLiteral("Host Name Too Long"));
        QCOMPARE(errorSending(QString(), "abc", 3), QStringLiteral("Null Remote Address"));
        QCOMPARE(errorSending(QStringLiteral("0.0.0.0"), "abc", 3), QStringLiteral("Null Remote Address"));
        QCOMPARE(resolver.lookups, 0);
        QCOMPARE(sent, 0);

        // Refusals leave the endpoint as it was.
        sender.RemoteHost = kLoopback;
        content.truncate(TNMUDP::MaxDatagram);
        sender.SendData(stream);
        QCOMPARE(sent, 1);
        QTRY_COMPARE(link.received.size(), 1);
        QCOMPARE(link.received[0].bytes, content);
    }

    void closesItsSocketsOnEveryPath()
    {
        FakeHostResolver resolver;
        const auto ports = loopback::freePorts(SOCK_DGRAM, 2);
        const int before = loopback::openDescriptors();
        {
            TNMUDP holder(resolver);
            holder.setLocalPort(ports[1]);
            TNMUDP endpoint(resolver);
            for (int i = 0; i < 10000; ++i)
                endpoint.setLocalPort(ports[i % 2]); // the binds to the holder's port fail
        }
        for (int i = 0; i < 10000; ++i)
            TNMUDP(resolver).setLocalPort(ports[0]);
        QCOMPARE(loopback::openDescriptors(), before);
    }
};

QTEST_GUILESS_MAIN(TestTNMUDP)
#include "TestTNMUDP.moc"
