// The keeper's IPv6 pinholes against the real daemon with IPv6 on, in the
// lab's LAN namespace (run-real-gateway-test.sh with IPV6=1): the stored line
// mapped, a pinhole opened for its local port on this machine's global IPv6
// address (the daemon's forward rule shows it), renewed on a short lease, and
// deleted with the line. With PMP_ONLY=yes the daemon is made PCP-only and the
// pinhole is a PCP MAP over IPv6. Prints the times, exits 0 when all held.

#include "LabCheck.h"
#include "LabRouter.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/MappingKeeper.h"
#include "registration/ClientState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

using LabCheck::expect;

namespace {

// The daemon's pinhole rule in its forward chain: the port, and the address as raw header bits.
bool pinholeRule()
{
    const QByteArray chain = LabRouter::inRouter({"nft", "list", "chain", "inet", "filter", "miniupnpd"});
    return chain.contains("dport 8081 @nh,192,128 0x20010db8007700000000000000000010");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!LabCheck::insideLab())
        return 1;
    const bool pcp = qgetenv("PMP_ONLY") == "yes";
    if (pcp)
        expect(LabRouter::makePcpOnly(), "NAT-PMP dropped at the router");
    QTemporaryDir folder;
    writeFile(folder.filePath("jilu.txt"), "0.0.0.0:8080  TCP  192.168.77.10:8081\r\n");
    FakePlatform fakes(folder.path());
    fakes.gatewaySearch = GatewaySearchAim::multicast();
    if (pcp)
        fakes.natPmp = NatPmpAim::defaultGateway();
    ThreadedHostResolver resolver;
    ClientState session;
    MappingKeeper keeper(fakes.platformWith(resolver), session, folder.path());
    keeper.pinholes().setLeaseSeconds(30);
    // The fake clock keeps real time here: the lease is a real daemon's.
    QTimer realTime;
    QObject::connect(&realTime, &QTimer::timeout,
                     [&fakes] { fakes.clock.time = QDateTime::currentDateTime(); });
    realTime.start(100);
    int renewals = 0;
    RouterMapper* const mapper = keeper.mapperOf(pcp ? QStringLiteral("PCP") : QStringLiteral("UPnP"));
    QObject::connect(mapper, &RouterMapper::pinholeEnded,
                     [&renewals](RouterMapper::PinholeStep step, bool succeeded, int) {
                         renewals += step == RouterMapper::PinholeStep::Renew && succeeded ? 1 : 0;
                     });
    QElapsedTimer took;
    took.start();
    keeper.start();

    const auto open = [&keeper] {
        const auto all = keeper.pinholes().pinholes();
        return all.size() == 1 && all.first().state == MappingPinholes::State::Open &&
               all.first().address == QStringLiteral("2001:db8:77::10") && all.first().localPort == 8081;
    };
    expect(QTest::qWaitFor(open, 30000), "a pinhole open for port 8081 on 2001:db8:77::10");
    std::printf("pinhole open: %lld ms after start\n", took.elapsed());
    expect(pinholeRule(), "the router's forward rule for it");

    took.restart();
    expect(QTest::qWaitFor([&renewals] { return renewals > 0; }, 25000), "renewed at half its 30 s lease");
    std::printf("pinhole renewed: %lld ms after it opened\n", took.elapsed());

    keeper.execute({MappingKeeper::Action::Delete, QStringLiteral("TCP"), QStringLiteral("8080"),
                    QStringLiteral("192.168.77.10"), QStringLiteral("8081")});
    // miniupnpd 2.3.1 will not delete a PCP pinhole it renewed: it is given the
    // shortest lease instead (120 s there) and lapses.
    took.restart();
    const int lapseMs = pcp ? 150000 : 10000;
    expect(QTest::qWaitFor([] { return !pinholeRule(); }, lapseMs), "its rule gone with the line");
    std::printf("pinhole gone: %lld ms after the line was deleted\n", took.elapsed());
    return LabCheck::exitCode();
}
