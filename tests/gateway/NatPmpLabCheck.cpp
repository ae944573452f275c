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
    expect(mapped.wait(waitMs) && mapped[0][2].value<quint16>() == 8080, "mapped");
    std::printf("NAT-PMP add: %lld ms\n", took.elapsed());
    expect(routerForwards(8080), "the router forwards 8080");
    expect(mapped.wait(waitMs) && mapped.size() == 2, "renewed at half its lifetime");

    QSignalSpy unmapped(&client, &NatPmpClient::unmapped);
    client.unmap(NatPmp::Protocol::Tcp, 80);
    expect(unmapped.wait(waitMs) && !routerForwards(8080), "deleted");

    return failures == 0 ? 0 : 1;
}
