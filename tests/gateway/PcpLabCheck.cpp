// PcpClient against the real daemon made PCP-only: run in the lab's LAN
// namespace by run-real-gateway-test.sh with PMP_ONLY=yes. A rule at the
// router's input drops NAT-PMP's version-0 datagrams, so only PCP is
// answered. Reads the router's rules through `ip netns exec`, prints the
// times, exits 0 when all held.

#include "LabCheck.h"
#include "LabRouter.h"
#include "platform/Clock.h"
#include "platform/DefaultGateway.h"
#include "portmap/pcp/PcpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <cstdio>

using LabCheck::expect;

namespace {

constexpr int waitMs = LabRouter::commandMs;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString gateway = defaultGateway().value_or(QString());
    expect(LabRouter::makePcpOnly(), "NAT-PMP dropped at the router");
    int natPmpExit = 0;
    LabRouter::run("timeout", {"3", "natpmpc", "-g", gateway}, &natPmpExit);
    expect(natPmpExit != 0, "natpmpc gets no answer");

    SystemClock clock;
    // The daemon's shortest lifetime: the renewal comes after a minute.
    PcpClient client(clock, QHostAddress(gateway), Pcp::serverPort, {}, 120);
    QSignalSpy address(&client, &PcpClient::externalAddressRead);
    QElapsedTimer took;
    took.start();
    client.requestExternalAddress();
    expect(address.wait(waitMs) && address[0][0].toString() == "11.22.33.2", "the external address read");
    std::printf("PCP external address: %lld ms\n", took.elapsed());

    QSignalSpy mapped(&client, &PcpClient::mapped);
    took.restart();
    client.map(Pcp::Protocol::Tcp, 80, 8080);
    expect(mapped.wait(waitMs) && mapped[0][1].value<quint16>() == 8080, "mapped");
    std::printf("PCP add: %lld ms, lifetime granted %u s\n", took.elapsed(), mapped[0][2].value<quint32>());
    expect(LabRouter::forwards(8080), "the router forwards 8080");
    expect(LabRouter::rules().count(" dnat ") == 1, "the address probe's mapping deleted");

    took.restart();
    expect(mapped.wait(65000) && mapped[1][1].value<quint16>() == 8080, "renewed");
    std::printf("PCP renewal: %lld ms after the add\n", took.elapsed());

    QSignalSpy restarted(&client, &PcpClient::gatewayRestarted);
    int restartExit = 0;
    LabRouter::run(QStringLiteral(IGD_LAB_SCRIPT), {QStringLiteral("start")}, &restartExit);
    expect(restartExit == 0, "the router restarted");
    // What the keeper does when it hears the router's announcement: a read.
    took.restart();
    client.requestExternalAddress();
    expect(restarted.wait(waitMs), "the epoch says it restarted");
    expect(mapped.wait(waitMs), "mapped again");
    std::printf("PCP restart seen and mapped again: %lld ms after the router was up\n", took.elapsed());
    expect(LabRouter::forwards(8080), "the router forwards 8080 again");

    QSignalSpy unmapped(&client, &PcpClient::unmapped);
    QSignalSpy refused(&client, &PcpClient::refused);
    took.restart();
    client.unmap(Pcp::Protocol::Tcp, 80, 8080);
    expect(unmapped.wait(waitMs), "deleted");
    for (const auto& refusal : refused)
        std::printf("refused: %s\n", Pcp::resultName(refusal[1].toInt()).constData());
    std::printf("PCP delete: %lld ms\n", took.elapsed());
    expect(!LabRouter::forwards(8080), "the router forwards 8080 no more");
    return LabCheck::exitCode();
}
