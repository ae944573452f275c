#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// True only inside the gateway lab's LAN namespace, named by
// KELVANE_IGD_NETNS: the programs that search by SSDP multicast refuse to run
// anywhere else, so that nothing reaches a real network.
inline bool insideLabNamespace(QString* why)
{
    const QByteArray name = qgetenv("KELVANE_IGD_NETNS");
    struct stat own = {};
    struct stat lab = {};
    if (name.isEmpty() || name.contains('/')) {
        *why = QStringLiteral("KELVANE_IGD_NETNS does not name the lab's namespace");
        return false;
    }
    if (stat("/proc/self/ns/net", &own) != 0 || stat("/run/netns/" + name, &lab) != 0 ||
        own.st_ino != lab.st_ino || own.st_dev != lab.st_dev) {
        *why = QStringLiteral("not running inside the network namespace %1").arg(QString::fromLatin1(name));
        return false;
    }
    return true;
}
