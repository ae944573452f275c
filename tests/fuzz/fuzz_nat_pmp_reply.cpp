#include "FuzzCheck.h"
#include "platform/DottedIPv4.h"
#include "portmap/NatPmpCodec.h"
#include "portmap/PcpCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto reply = NatPmp::readExternalAddress(datagram))
        FUZZ_REQUIRE(reply->result != NatPmp::Success || isDottedIPv4(reply->address));
    NatPmp::readMap(datagram);
    NatPmp::refusesVersion(datagram);
    if (const auto reply = Pcp::readMap(datagram)) {
        FUZZ_REQUIRE(reply->nonce.isEmpty() || reply->nonce.size() == Pcp::nonceSize);
        FUZZ_REQUIRE(reply->externalAddress.isEmpty() || isDottedIPv4(reply->externalAddress));
        // Only the request's own nonce can match.
        FUZZ_REQUIRE(!Pcp::answers(*reply, {QByteArray(Pcp::nonceSize + 1, 'n'), reply->protocol,
                                            reply->internalPort, 0, 0, "192.168.77.10"}));
    }
    return 0;
}
