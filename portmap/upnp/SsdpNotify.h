#pragma once

#include <QByteArray>

#include <optional>

// The announcements a UPnP device multicasts on the SSDP group: that it is
// there (again), that it leaves, or that its boot changed.
namespace SsdpNotify {

struct Announcement
{
    enum Kind
    {
        Alive,
        ByeBye,
        Update,
    };
    Kind kind = Alive;
    QByteArray udn;      // the device's "uuid:..." part of USN
    QByteArray location; // empty in a byebye
    // BOOTID.UPNP.ORG, or NEXTBOOTID.UPNP.ORG of an update: the boot it
    // belongs to; absent in UPnP 1.0.
    std::optional<quint32> bootId;
};

// Nothing unless the datagram is a NOTIFY with a known NTS and a USN naming a
// "uuid:". Header names ignore case; values are trimmed; the datagram counts
// up to its first NUL.
std::optional<Announcement> read(const QByteArray& datagram);

// The "uuid:..." that a USN names before its "::"; empty when it names none.
QByteArray udn(const QByteArray& usn);

// A boot header's value: a decimal number that fits 32 bits.
std::optional<quint32> bootNumber(const QByteArray& value);

} // namespace SsdpNotify
