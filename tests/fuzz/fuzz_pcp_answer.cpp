#include "FuzzCheck.h"
#include "portmap/pcp/PcpCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto map = Pcp::readMap(datagram);
    const auto announce = Pcp::readAnnounce(datagram);
    if (map || announce)
        FUZZ_REQUIRE(datagram.size() <= Pcp::maxMessageSize && datagram.size() % 4 == 0 && !(map && announce));
    if (map)
        FUZZ_REQUIRE(map->externalAddress.protocol() != QAbstractSocket::UnknownNetworkLayerProtocol);
    Pcp::refusesVersion(datagram);
    return 0;
}
