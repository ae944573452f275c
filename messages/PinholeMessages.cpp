#include "messages/PinholeMessages.h"

namespace Messages::Pinholes {

QString opened(LanguageCode language, const QString& protocol, int port, const QString& address)
{
    return pickText(language, "IPv6 通道已打开：%1/%2 到 %3", "IPv6 通道已開啟：%1/%2 到 %3",
                "IPv6 pinhole open: %1/%2 to %3")
        .arg(protocol, QString::number(port), address);
}

QString failed(LanguageCode language, const QString& protocol, int port, const QString& address)
{
    return pickText(language, "IPv6 通道 %1/%2 到 %3 未能打开", "IPv6 通道 %1/%2 到 %3 未能開啟",
                "IPv6 pinhole %1/%2 to %3 could not be opened")
        .arg(protocol, QString::number(port), address);
}

QString closed(LanguageCode language, const QString& protocol, int port)
{
    return pickText(language, "IPv6 通道 %1/%2 已关闭", "IPv6 通道 %1/%2 已關閉", "IPv6 pinhole %1/%2 closed")
        .arg(protocol, QString::number(port));
}

QString notOffered(LanguageCode language)
{
    return pickText(language, "路由器不提供 IPv6 通道", "路由器不提供 IPv6 通道",
                "The router offers no IPv6 pinholes");
}

QString noGlobalAddress(LanguageCode language)
{
    return pickText(language, "本机没有全球 IPv6 地址，不打开 IPv6 通道",
                "本機沒有全球 IPv6 位址，不開啟 IPv6 通道",
                "This machine has no global IPv6 address: no IPv6 pinholes");
}

QString summary(LanguageCode language, int open, int wanted)
{
    return pickText(language, "IPv6：%1/%2 个通道已打开", "IPv6：%1/%2 個通道已開啟",
                "IPv6: %1 of %2 pinholes open")
        .arg(QString::number(open), QString::number(wanted));
}

QString optionCaption(LanguageCode language)
{
    return pickText(language, "打开 IPv6 通道", "開啟 IPv6 通道", "Open IPv6 pinholes");
}

} // namespace Messages::Pinholes
