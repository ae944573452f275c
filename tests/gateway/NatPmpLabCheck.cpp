// NatPmpClient against the real daemon with UPnP off: run in the lab's LAN
// namespace by run-real-gateway-test.sh with PMP_ONLY=yes. Reads the router's
// rules through `ip netns exec`, prints the add's time, exits 0 when all held.

#include "LabCheck.h"
#include "platform/DefaultGateway.h"
#include "portmap/natpmp/NatPmpAnnouncements.h"
#include "portmap/natpmp/NatPmpClient.h"
#include "portmap/natpmp/NatPmpCodec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstdio>

using LabCheck::expect;

namespace {

constexpr int waitMs = 5000;

bool routerForwards(int externalPort)
{
    QProcess nft;
    nft.start("ip", {"netns", "exec", qEnvironmentVariable("LAB") + "-router", "nft", "list", "chain", "inet",
                     "filter", "prerouting_miniupnpd"});
    nft.waitForFinished(waitMs);
    return nft.readAllStandardOutput().contains("dport " + QByteArray::number(externalPort) + " dnat");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The whole program's run there reads the gateway and its address; this
    // one looks at the lifetime. A short one: the renewal comes after two seconds.
    NatPmpClient client(QHostAddress(defaultGateway().value_or(QString())), NatPmp::serverPort, 4, 4);

    QSignalSpy mapped(&client, &NatPmpClient::mapped);
    QElapsedTimer took;
    took.start();
    client.map(NatPmp::Protocol::Tcp, 80, 8080);
    expect(mapped.wait(waitMs) && mapped[0][1].value<quint16>() == 8080, "mapped");
    std::printf("NAT-PMP add: %lld ms\n", took.elapsed());
    expect(routerForwards(8080), "the router forwards 8080");

    // A second public port to the same local port: both are renewed.
    client.map(NatPmp::Protocol::Tcp, 80, 8081);
    const auto renewals = [&](quint16 port) {
        return std::count_if(mapped.cbegin(), mapped.cend(),
                             [&](const QList<QVariant>& args) { return args[1].value<quint16>() == port; });
    };
    expect(QTest::qWaitFor([&] { return renewals(8080) >= 3 && renewals(8081) >= 2; }, 3 * waitMs),
           "two public ports to one local port both renewed");

    QSignalSpy unmapped(&client, &NatPmpClient::unmapped);
    client.unmap(NatPmp::Protocol::Tcp, 80, 8081);
    expect(unmapped.wait(waitMs), "deleted");
    expect(QTest::qWaitFor([&] { return routerForwards(8080) && !routerForwards(8081); }, waitMs),
           "the other mapping to that local port kept");

    // The router restarts: it announces so on 224.0.0.1:5350, and its epoch went back.
    QSignalSpy read(&client, &NatPmpClient::externalAddressRead);
    client.requestExternalAddress();
    read.wait(waitMs);
    QElapsedTimer sinceRead;
    sinceRead.start();
    NatPmpAnnouncements announcements(QHostAddress(defaultGateway().value_or(QString())), NatPmp::serverPort);
    QSignalSpy announced(&announcements, &NatPmpAnnouncements::announced);
    QProcess restart;
    restart.start(QStringLiteral(IGD_LAB_SCRIPT), {QStringLiteral("start")});
    expect(restart.waitForFinished(waitMs) && restart.exitCode() == 0, "the router restarted");
    expect(!announced.isEmpty() || announced.wait(2000), "the restart announced within 2 s");
    client.requestExternalAddress();
    expect(read.wait(waitMs) && NatPmp::gatewayRestarted(read[0][1].value<quint32>(), read[1][1].value<quint32>(),
                                                         sinceRead.elapsed()),
           "the epoch says it restarted");

    return LabCheck::exitCode();
}
