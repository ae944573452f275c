#include "FuzzCheck.h"
#include "portmap/SoapAnswer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray response(reinterpret_cast<const char*>(data), qsizetype(size));
    if (SoapAnswer::succeeded(response))
        FUZZ_REQUIRE(response.left(5).toUpper() == "HTTP/");
    const QByteArray ip = SoapAnswer::externalIp(response);
    FUZZ_REQUIRE(ip == "0.0.0.0" || response.contains(ip));
    return 0;
}
