#include "FuzzCheck.h"
#include "platform/CodePage.h"
#include "registration/CheckDatagram.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CodePage codePage = CodePage::gbk();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString datagram = codePage.decodeUpToNul(bytes);

    CheckDatagram::isLoopback(datagram);
    if (const auto address = CheckDatagram::address(datagram))
        FUZZ_REQUIRE(!address->contains(QStringLiteral("&&&")));
    if (const auto port = CheckDatagram::port(datagram))
        FUZZ_REQUIRE(*port >= 1 && *port <= 65535);
    // The value arms a timer.
    if (const auto interval = CheckDatagram::intervalMs(datagram))
        FUZZ_REQUIRE(*interval >= 0 && *interval <= 900'000 && *interval % 2000 == 0);
    return 0;
}
