#include "FuzzCheck.h"
#include "platform/DottedIPv4.h"
#include "portmap/natpmp/NatPmpCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto reply = NatPmp::readExternalAddress(datagram))
        FUZZ_REQUIRE(reply->result != NatPmp::Success || isDottedIPv4(reply->address));
    NatPmp::readMap(datagram);
    return 0;
}
