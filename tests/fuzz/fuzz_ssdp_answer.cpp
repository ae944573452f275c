#include "FuzzCheck.h"
#include "portmap/upnp/GatewayHttp.h"
#include "portmap/upnp/SsdpSearch.h"

#include <cstddef>
#include <cstdint>

namespace {

void read(const QByteArray& datagram, const QByteArray& senderIp)
{
    const SsdpSearch::Reading reading = SsdpSearch::readDatagram(datagram, senderIp);
    if (reading.verdict != SsdpSearch::Reading::Found)
        return;
    const SsdpSearch::Location& location = reading.location;
    FUZZ_REQUIRE(SsdpSearch::usable(location));
    FUZZ_REQUIRE(location.routerIp && *location.routerIp == senderIp);
    FUZZ_REQUIRE(location.routerPort >= 1 && location.routerPort <= 65535);
    SsdpSearch::urlBase(*location.routerIp, location.routerPort, location.routerURL);
    // A trusted location must not be able to add lines to the request.
    const QByteArray request =
        GatewayHttp::descriptionRequest(location.routerURL, *location.routerIp, location.routerPort);
    FUZZ_REQUIRE(request.count("\r\n") == 3 && request.count('\r') == 3 && request.count('\n') == 3);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The client drops larger datagrams before reading them.
    if (size > size_t(SsdpSearch::BufferSize - 1))
        return 0;
    const QByteArray datagram(reinterpret_cast<const char*>(data), qsizetype(size));
    read(datagram, "192.168.77.1");
    // The answer's own host as sender, so the trusted path is reached too.
    if (const auto answer = SsdpSearch::readAnswer(datagram)) {
        const SsdpSearch::Location location = SsdpSearch::splitLocation(answer->location);
        if (location.routerIp)
            read(datagram, *location.routerIp);
    }
    return 0;
}
