#include "FuzzCheck.h"
#include "portmap/MappingLine.h"
#include "settings/TextFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CodePage pages[] = {CodePage::gbk(), CodePage::big5(), CodePage::windows1252()};
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const CodePage& page : pages) {
        for (const QString& line : splitLines(page.decode(bytes))) {
            // The ports reach the router's requests.
            if (const auto port = MappingLine::port(line))
                FUZZ_REQUIRE(*port >= 1 && *port <= 65535);
            const auto ports = MappingLine::ports(line);
            if (!ports)
                continue;
            FUZZ_REQUIRE(ports->protocol == QLatin1String("TCP") || ports->protocol == QLatin1String("UDP"));
            FUZZ_REQUIRE(ports->publicPort >= 1 && ports->publicPort <= 65535);
            FUZZ_REQUIRE(ports->localPort >= 1 && ports->localPort <= 65535);
            // The line the window writes for them reads back as the same ports.
            const auto again = MappingLine::ports(MappingLine::make(
                QStringLiteral("203.0.113.5"), QString::number(ports->publicPort), ports->protocol,
                QStringLiteral("192.168.1.100"), QString::number(ports->localPort)));
            FUZZ_REQUIRE(again && again->protocol == ports->protocol &&
                         again->publicPort == ports->publicPort && again->localPort == ports->localPort);
        }
    }
    return 0;
}
