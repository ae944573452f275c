#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// The lab's router, seen from a check run in its LAN namespace: its rules,
// read and changed through `ip netns exec`, each command bounded in time.
namespace LabRouter {

constexpr int commandMs = 5000;

inline QByteArray run(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(commandMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(commandMs);
    }
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

inline QByteArray inRouter(const QStringList& command, int* exitCode = nullptr)
{
    return run("ip", QStringList{"netns", "exec", qEnvironmentVariable("LAB") + "-router"} + command,
               exitCode);
}

// The daemon's own listing: the DNAT rules it keeps, one per mapping.
inline QByteArray rules()
{
    return inRouter({"nft", "list", "chain", "inet", "filter", "prerouting_miniupnpd"});
}

inline bool forwards(int externalPort)
{
    return rules().contains("dport " + QByteArray::number(externalPort) + " dnat");
}

// A rule at the router's input drops NAT-PMP's version-0 datagrams: the
// daemon answers PCP only, as a gateway that speaks nothing older.
inline bool makePcpOnly()
{
    int code = 0;
    inRouter({"nft",
              "add table inet pcponly; add chain inet pcponly in { type filter hook input priority -10; "
              "policy accept; }; add rule inet pcponly in udp dport 5351 @th,64,8 0 drop"},
             &code);
    return code == 0;
}

} // namespace LabRouter
