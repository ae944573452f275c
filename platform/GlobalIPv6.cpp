#include "platform/GlobalIPv6.h"

#include <QDeadlineTimer>
#include <QNetworkAddressEntry>
#include <QNetworkInterface>

#include <algorithm>

namespace GlobalIPv6 {

namespace {

bool global(const QHostAddress& address)
{
    return address.protocol() == QAbstractSocket::IPv6Protocol && address.isGlobal() &&
           !address.isUniqueLocalUnicast() && !address.isMulticast() && !address.isLoopback() &&
           !address.isLinkLocal() && address.toIPv4Address() == 0;
}

int rank(const Candidate& candidate)
{
    return (candidate.besideIPv4 ? 0 : 2) + (candidate.deprecated ? 1 : 0);
}

} // namespace

QString choose(const QList<Candidate>& candidates)
{
    const Candidate* best = nullptr;
    for (const Candidate& candidate : candidates) {
        if (global(candidate.address) && (!best || rank(candidate) < rank(*best)))
            best = &candidate;
    }
    return best ? best->address.toString() : QString();
}

QString address(const QString& ipv4TowardsRouter)
{
    const QHostAddress ipv4(ipv4TowardsRouter);
    QList<Candidate> candidates;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = interface.addressEntries();
        const bool beside =
            std::any_of(entries.cbegin(), entries.cend(), [&ipv4](const QNetworkAddressEntry& entry) {
                return !ipv4.isNull() && entry.ip() == ipv4;
            });
        for (const QNetworkAddressEntry& entry : entries) {
            const bool deprecated = entry.isLifetimeKnown() && entry.preferredLifetime().hasExpired();
            candidates.append({entry.ip(), deprecated, beside});
        }
    }
    return choose(candidates);
}

} // namespace GlobalIPv6
