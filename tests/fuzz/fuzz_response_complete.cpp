#include "FuzzCheck.h"
#include "portmap/GatewayHttp.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray buffer(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool complete = GatewayHttp::ResponseComplete(buffer);
    FUZZ_REQUIRE(!complete || buffer.contains("\r\n\r\n"));
    // The client appends what arrives: a complete response stays complete.
    if (complete) {
        buffer.append('x');
        FUZZ_REQUIRE(GatewayHttp::ResponseComplete(buffer));
    }
    return 0;
}
