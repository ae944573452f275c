#include "portmap/upnp/SsdpNotify.h"

#include <QList>

namespace SsdpNotify {

QByteArray udn(const QByteArray& usn)
{
    const qsizetype end = usn.indexOf("::");
    const QByteArray device = end < 0 ? usn : usn.left(end);
    return device.startsWith("uuid:") && device.size() > 5 ? device : QByteArray();
}

std::optional<quint32> bootNumber(const QByteArray& value)
{
    bool isNumber = false;
    const quint32 number = value.toUInt(&isNumber);
    if (!isNumber || value.isEmpty() || value.front() < '0' || value.front() > '9')
        return std::nullopt;
    return number;
}

std::optional<Announcement> read(const QByteArray& datagram)
{
    const qsizetype nul = datagram.indexOf('\0');
    const QList<QByteArray> lines = (nul < 0 ? datagram : datagram.left(nul)).split('\n');
    if (lines.isEmpty() || !lines.front().trimmed().startsWith("NOTIFY "))
        return std::nullopt;
    QByteArray nts;
    QByteArray usn;
    Announcement announcement;
    std::optional<quint32> bootId;
    std::optional<quint32> nextBootId;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toUpper();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "NTS")
            nts = value;
        else if (name == "USN")
            usn = value;
        else if (name == "LOCATION")
            announcement.location = value;
        else if (name == "BOOTID.UPNP.ORG")
            bootId = bootNumber(value);
        else if (name == "NEXTBOOTID.UPNP.ORG")
            nextBootId = bootNumber(value);
    }
    if (nts == "ssdp:alive")
        announcement.kind = Announcement::Alive;
    else if (nts == "ssdp:byebye")
        announcement.kind = Announcement::ByeBye;
    else if (nts == "ssdp:update")
        announcement.kind = Announcement::Update;
    else
        return std::nullopt;
    announcement.bootId = announcement.kind == Announcement::Update ? nextBootId : bootId;
    announcement.udn = udn(usn);
    if (announcement.udn.isEmpty())
        return std::nullopt;
    return announcement;
}

} // namespace SsdpNotify
