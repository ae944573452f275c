#include "portmap/upnp/RouterAnnouncements.h"

#include <utility>

void RouterAnnouncements::setRouter(const Router& router)
{
    m_address = router.address;
    m_udn = SsdpNotify::udn(router.usn);
    m_location = router.location;
    m_bootId = SsdpNotify::bootNumber(router.bootId);
    m_saidByeBye = false;
}

RouterAnnouncements::Meaning RouterAnnouncements::take(const SsdpNotify::Announcement& announcement,
                                                       const QString& sender)
{
    using Announcement = SsdpNotify::Announcement;
    if (m_udn.isEmpty() || sender != m_address || announcement.udn != m_udn)
        return Meaning::Nothing;
    if (announcement.kind == Announcement::ByeBye) {
        m_saidByeBye = true;
        return Meaning::Nothing;
    }
    if (!announcement.location.isEmpty() && announcement.location != m_location) {
        m_location = announcement.location;
        m_bootId = announcement.bootId;
        m_saidByeBye = false;
        return Meaning::DescriptionMoved;
    }
    const bool newBoot = announcement.bootId && m_bootId && *announcement.bootId != *m_bootId;
    if (announcement.bootId)
        m_bootId = announcement.bootId;
    // An update announces the next boot before it comes: nothing is lost yet.
    if (announcement.kind == Announcement::Update)
        return Meaning::Nothing;
    const bool cameBack = std::exchange(m_saidByeBye, false);
    return newBoot || cameBack ? Meaning::Restarted : Meaning::Nothing;
}
