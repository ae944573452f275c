#pragma once

#include <QDateTime>

#include <optional>

// A router's announcements are acted on at most once a minute, however many
// arrive: any host of the network can send them with the router's address.
class AnnouncementRate
{
public:
    static constexpr qint64 intervalMs = 60 * 1000;

    // Whether one arriving `now` is acted on; a clock set back admits at once.
    bool admit(const QDateTime& now);

private:
    std::optional<QDateTime> m_last;
};
