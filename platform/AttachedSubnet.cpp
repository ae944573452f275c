#include "platform/AttachedSubnet.h"

#include <QHostAddress>
#include <QNetworkInterface>

bool onAttachedSubnet(const QString& address)
{
    const QHostAddress host(address);
    if (host.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        if (!interface.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        const auto entries = interface.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol &&
                host.isInSubnet(entry.ip(), entry.prefixLength()))
                return true;
        }
    }
    return false;
}
