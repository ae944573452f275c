#include "FuzzCheck.h"
#include "portmap/upnp/RouterAnnouncements.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto announcement =
        SsdpNotify::read(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!announcement)
        return 0;
    FUZZ_REQUIRE(announcement->udn.startsWith("uuid:") && !announcement->udn.contains("::"));
    RouterAnnouncements router;
    router.setRouter({"192.168.77.1", announcement->udn, "http://192.168.77.1:5000/rootDesc.xml", "1"});
    // Another sender never counts, whatever it says.
    FUZZ_REQUIRE(router.take(*announcement, "192.168.77.2") == RouterAnnouncements::Meaning::Nothing);
    router.take(*announcement, "192.168.77.1");
    return 0;
}
