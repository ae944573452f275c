#include "FuzzCheck.h"
#include "portmap/upnp/GatewayHttp.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using GatewayHttp::Completeness;
    QByteArray buffer(reinterpret_cast<const char*>(data), qsizetype(size));
    const Completeness state = GatewayHttp::ResponseComplete(buffer);
    FUZZ_REQUIRE(state == Completeness::Incomplete || buffer.contains("\r\n\r\n"));
    FUZZ_REQUIRE(GatewayHttp::joinedChunks(buffer).size() <= buffer.size());
    // The client appends what arrives: a whole response stays whole.
    if (state != Completeness::Incomplete) {
        buffer.append('x');
        FUZZ_REQUIRE(GatewayHttp::ResponseComplete(buffer) == state);
    }
    return 0;
}
