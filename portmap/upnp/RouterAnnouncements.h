#pragma once

#include "portmap/upnp/SsdpNotify.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What the router's own announcements say about its mappings. Only those sent
// from the router's address for the router's device count: anyone on the
// network may multicast. A new boot, a byebye followed by an alive, or a new
// description address means the router restarted and may have lost them.
class RouterAnnouncements
{
public:
    enum class Meaning
    {
        Nothing,
        Restarted,        // its mappings must be looked at
        DescriptionMoved, // its description must be read again first
    };

    // The router found by the search: its address and its answer's headers.
    struct Router
    {
        QString address;
        QByteArray usn;
        QByteArray location;
        QByteArray bootId;
    };
    void setRouter(const Router& router);

    Meaning take(const SsdpNotify::Announcement& announcement, const QString& sender);

private:
    QString m_address;
    QByteArray m_udn;
    QByteArray m_location;
    std::optional<quint32> m_bootId;
    bool m_saidByeBye = false;
};
