// The mapping keeper against the real daemon made PCP-only, in the lab's LAN
// namespace (run-real-gateway-test.sh with PMP_ONLY=yes): UPnP is off and
// NAT-PMP dropped, so the keeper must find the router by PCP, map the stored
// line, keep it renewed, map it again when the restarted router announces
// itself, and delete it. Prints the times, exits 0 when all held.

#include "LabCheck.h"
#include "LabRouter.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "messages/PortMappingMessages.h"
#include "platform/ThreadedHostResolver.h"
#include "portmap/MappingKeeper.h"
#include "portmap/pcp/PcpClient.h"
#include "registration/ClientState.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using LabCheck::expect;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!LabCheck::insideLab())
        return 1;
    expect(LabRouter::makePcpOnly(), "NAT-PMP dropped at the router");

    QTemporaryDir folder;
    writeFile(folder.filePath("jilu.txt"), "0.0.0.0:8080  TCP  192.168.77.10:80\r\n");
    FakePlatform fakes(folder.path());
    fakes.gatewaySearch = GatewaySearchAim::multicast();
    fakes.natPmp = NatPmpAim::defaultGateway();
    ThreadedHostResolver resolver;
    ClientState session;
    MappingKeeper keeper(fakes.platformWith(resolver), session, folder.path());
    QStringList log;
    QObject::connect(&keeper, &MappingKeeper::logged, [&log](const QString& line) { log << line; });
    QSignalSpy added(&keeper, &MappingKeeper::mappingAdded);
    QElapsedTimer took;
    took.start();
    keeper.start();

    // UPnP's search ends unanswered first: PCP is taken after it.
    expect(QTest::qWaitFor([&] { return keeper.routerProtocol() == QStringLiteral("PCP"); }, 30000),
           "the router found by PCP");
    expect(QTest::qWaitFor([&] { return added.size() == 1; }, 15000) &&
               keeper.lines() == QStringList{"11.22.33.2:8080  TCP  192.168.77.10:80"},
           "the stored line mapped");
    std::printf("PCP router found and the line mapped: %lld ms after start\n", took.elapsed());
    expect(LabRouter::forwards(8080), "the router forwards 8080");

    // The daemon grants at least 120 s: the renewal comes at half that.
    const auto* client = keeper.mapperOf(QStringLiteral("PCP"))->findChild<PcpClient*>();
    QSignalSpy renewed(client, &PcpClient::mapped);
    expect(renewed.wait(70000) && renewed.last().at(1).value<quint16>() == 8080, "renewed");

    // The restarted daemon has lost the mapping; its ANNOUNCE brings it back.
    int restartExit = 0;
    LabRouter::run(QStringLiteral(IGD_LAB_SCRIPT), {QStringLiteral("start")}, &restartExit);
    took.restart();
    expect(restartExit == 0 && QTest::qWaitFor([] { return LabRouter::forwards(8080); }, 2000),
           "mapped again within 2 s of the restart");
    std::printf("PCP restart announced and mapped again: %lld ms after the router was up\n", took.elapsed());
    expect(log.contains(Messages::PortMapping::routerRestarted()), "the restart said in the log");

    keeper.execute({MappingKeeper::Action::Delete, QStringLiteral("TCP"), QStringLiteral("8080"),
                    QStringLiteral("192.168.77.10"), QStringLiteral("80")});
    expect(QTest::qWaitFor([&] { return log.contains(Messages::PortMapping::portDeleted()); }, 15000),
           "deleted");
    expect(!LabRouter::forwards(8080), "the router forwards 8080 no more");
    return LabCheck::exitCode();
}
