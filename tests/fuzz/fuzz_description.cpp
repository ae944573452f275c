#include "FuzzCheck.h"
#include "portmap/upnp/DeviceDescription.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray response(reinterpret_cast<const char*>(data), qsizetype(size));
    // A plain base, and one that the walk cuts before "/dyndev".
    static const QByteArray bases[] = {"http://192.168.77.1:5000", "http://10.0.0.1:80/dyndev/a"};
    for (const QByteArray& base : bases) {
        const DeviceDescription::Walk walk = DeviceDescription::walk(response, base);
        FUZZ_REQUIRE(!walk.controlURL || walk.service);
        FUZZ_REQUIRE(!walk.service || *walk.service == "WANIPConnection" ||
                     *walk.service == "WANPPPConnection");
    }
    return 0;
}
