#include "FuzzCheck.h"
#include "platform/DottedIPv4.h"
#include "portmap/upnp/PinholeSoap.h"
#include "portmap/upnp/SoapAnswer.h"

#include <algorithm>

#include <cstddef>
#include <cstdint>

static bool plain(const QByteArray& text)
{
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray response(reinterpret_cast<const char*>(data), qsizetype(size));
    if (SoapAnswer::succeeded(response))
        FUZZ_REQUIRE(response.left(5).toUpper() == "HTTP/");
    const QByteArray ip = SoapAnswer::externalIp(response);
    FUZZ_REQUIRE(ip == "0.0.0.0" || response.contains(ip));
    if (const auto entry = SoapAnswer::mappingEntry(response)) {
        FUZZ_REQUIRE(isDottedIPv4(QString::fromLatin1(entry->internalClient)));
        FUZZ_REQUIRE(entry->remoteHost.isEmpty() || isDottedIPv4(QString::fromLatin1(entry->remoteHost)));
        FUZZ_REQUIRE(entry->internalPort >= 1 && entry->internalPort <= 65535);
        FUZZ_REQUIRE(entry->externalPort >= 0 && entry->externalPort <= 65535);
        FUZZ_REQUIRE(entry->protocol.isEmpty() || entry->protocol == "TCP" || entry->protocol == "UDP");
        FUZZ_REQUIRE(entry->description.size() <= 256 && plain(entry->description));
        FUZZ_REQUIRE(entry->leaseDuration >= 0);
    }
    const int pinhole = PinholeSoap::uniqueId(response).value_or(0);
    FUZZ_REQUIRE(pinhole >= 0 && pinhole <= 65535);
    if (const auto fault = SoapAnswer::fault(response)) {
        FUZZ_REQUIRE(fault->code >= 1 && fault->code <= 9999);
        FUZZ_REQUIRE(fault->description.size() <= 200 && plain(fault->description));
    }
    return 0;
}
