#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <unistd.h>

// Moves the calling thread, and the processes it starts, into a network
// namespace of its own with only a loopback interface: nothing done there
// reaches a real network, and it ends with the test. False, and why, when
// that cannot be done (not root, no `ip`, a kernel that refuses).
inline bool enterOwnNetworkNamespace(QString* why)
{
    if (::geteuid() != 0) {
        *why = QStringLiteral("needs root for a network namespace of its own");
        return false;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty()) {
        *why = QStringLiteral("needs the ip command (iproute2)");
        return false;
    }
    if (::unshare(CLONE_NEWNET) != 0) {
        *why = QStringLiteral("unshare(CLONE_NEWNET): %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

// Runs the `ip` commands (one a line, as `ip -batch` reads them) in one
// process, so that they change the namespace within a moment; true when all succeeded.
inline bool ipBatch(const QStringList& commands)
{
    QProcess ip;
    ip.setProcessChannelMode(QProcess::ForwardedChannels);
    ip.start(QStringLiteral("ip"), {QStringLiteral("-batch"), QStringLiteral("-")});
    if (!ip.waitForStarted(5000))
        return false;
    ip.write(commands.join(u'\n').toUtf8() + '\n');
    ip.closeWriteChannel();
    if (!ip.waitForFinished(10000)) {
        ip.kill();
        ip.waitForFinished(1000);
        return false;
    }
    return ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
}
