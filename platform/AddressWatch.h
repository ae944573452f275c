#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

class QSocketNotifier;

// Tells when the machine's IPv4 addresses, links or routes change: an interface comes up,
// DHCP gives a new address, a default route appears.
class AddressWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void changed();
};

// rtnetlink (NETLINK_ROUTE, groups RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE) read
// through a QSocketNotifier on the calling thread; a burst of messages gives one changed(),
// 500 ms after the last of them (one single-shot QTimer). Reads never block; it must cost
// nothing while nothing changes (no polling). If the socket cannot be opened it stays quiet.
class NetlinkAddressWatch final : public AddressWatch
{
    Q_OBJECT
public:
    explicit NetlinkAddressWatch(QObject* parent = nullptr);
    ~NetlinkAddressWatch() override;

private:
    void drain();

    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_settle;
};
