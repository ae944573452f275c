// NatPmpClient against the real daemon with UPnP off: run in the lab's LAN
// namespace by run-real-gateway-test.sh with PMP_ONLY=yes. Reads the router's
// rules through `ip netns exec`, prints the add's time, exits 0 when all held.

#include "platform/DefaultGateway.h"
#include "portmap/NatPmpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>

#include <cstdio>

namespace {

constexpr int waitMs = 5000;
int failures = 0;

void expect(bool held, const char* what)
{
    std::printf("%s: %s\n", held ? "ok" : "FAILED", what);
    failures += held ? 0 : 1;
}

QByteArray routerRules()
{
    QProcess nft;
    nft.start("ip", {"netns", "exec", qEnvironmentVariable("LAB") + "-router", "nft", "list", "chain", "inet",
                     "filter", "prerouting_miniupnpd"});
    nft.waitForFinished(waitMs);
    return nft.readAllStandardOutput();
}

bool routerForwards(int externalPort)
{
    return routerRules().contains("dport " + QByteArray::number(externalPort) + " dnat");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const auto gatewayText = defaultGateway();
    expect(gatewayText == "192.168.77.1", "the default route's gateway");
    const QHostAddress gateway(gatewayText.value_or(QString()));
    // A short lifetime: the renewal comes after two seconds.
    NatPmpClient client(gateway, NatPmp::serverPort, 4, 4);

    QSignalSpy address(&client, &NatPmpClient::externalAddressRead);
    client.requestExternalAddress();
    expect(address.wait(waitMs) && address[0][0].toString() == "11.22.33.2", "external address");

    QSignalSpy mapped(&client, &NatPmpClient::mapped);
    QElapsedTimer took;
    took.start();
    client.map(NatPmp::Protocol::Tcp, 80, 8080);
    expect(mapped.wait(waitMs) && mapped[0][2].value<quint16>() == 8080, "mapped");
    std::printf("NAT-PMP add: %lld ms\n", took.elapsed());
    expect(routerForwards(8080), "the router forwards 8080");
    expect(mapped.wait(waitMs) && mapped.size() == 2, "renewed at half its lifetime");

    QSignalSpy unmapped(&client, &NatPmpClient::unmapped);
    client.unmap(NatPmp::Protocol::Tcp, 80);
    expect(unmapped.wait(waitMs) && !routerForwards(8080), "deleted");

    return failures == 0 ? 0 : 1;
}
