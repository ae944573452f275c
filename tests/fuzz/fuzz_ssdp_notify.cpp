#include "FuzzCheck.h"
#include "portmap/RouterAnnouncements.h"
#include "portmap/SsdpNotify.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The client drops larger datagrams before reading them.
    if (size > 4096)
        return 0;
    const QByteArray datagram(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto announcement = SsdpNotify::read(datagram);
    if (!announcement)
        return 0;
    FUZZ_REQUIRE(announcement->udn.startsWith("uuid:") && !announcement->udn.contains("::"));
    RouterAnnouncements announcements;
    announcements.setRouter({QStringLiteral("192.168.77.1"), announcement->udn + "::upnp:rootdevice",
                             "http://192.168.77.1:5000/rootDesc.xml", "1"});
    // Another sender never counts, whatever it says.
    FUZZ_REQUIRE(announcements.take(*announcement, QStringLiteral("192.168.77.2")) ==
                 RouterAnnouncements::Meaning::Nothing);
    announcements.take(*announcement, QStringLiteral("192.168.77.1"));
    return 0;
}
