#include "platform/DottedIPv4.h"

#include <QStringList>

#include <cstdint>

bool isDottedIPv4(const QString& text)
{
    const QStringList parts = text.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.startsWith(u'0')))
            return false;
        for (const QChar c : part)
            if (c < u'0' || c > u'9')
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

bool isPublicIPv4(const QString& text)
{
    if (!isDottedIPv4(text))
        return false;
    std::uint32_t address = 0;
    for (const QString& part : text.split(u'.'))
        address = address << 8 | std::uint32_t(part.toUInt());
    struct Block
    {
        std::uint32_t network;
        int prefix;
    };
    static constexpr Block notPublic[] = {
        {0x00000000, 8},  {0x0A000000, 8},  {0x64400000, 10}, {0x7F000000, 8},
        {0xA9FE0000, 16}, {0xAC100000, 12}, {0xC0A80000, 16}, {0xE0000000, 3},
    };
    for (const Block& block : notPublic)
        if (address >> (32 - block.prefix) == block.network >> (32 - block.prefix))
            return false;
    return true;
}
