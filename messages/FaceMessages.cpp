#include "messages/FaceMessages.h"

namespace Messages::Face {

QString serviceStopped(LanguageCode language)
{
    return pickText(language, "后台服务已停止，不再登录。可从托盘菜单重新启动。",
                "後台服務已停止，不再登入。可從托盤選單重新啟動。",
                "The background service is stopped: no logins. Start it again from the tray menu.");
}

QString engineRestarting(LanguageCode language)
{
    return pickText(language, "后台程序已退出，正在重新启动……", "後台程式已結束，正在重新啟動……",
                "The background engine ended; starting it again...");
}

QString busLost(LanguageCode language)
{
    return pickText(language, "与后台程序的连接已断开（会话总线不在了），正在重新连接……",
                "與後台程式的連線已中斷（工作階段匯流排不在了），正在重新連線……",
                "Lost the connection to the background engine (the session bus is gone); reconnecting...");
}

QString attachedAgain(LanguageCode language)
{
    return pickText(language, "已重新连接后台程序。", "已重新連線後台程式。", "Connected to the background engine again.");
}

QString startService(LanguageCode language)
{
    return pickText(language, "启动后台服务", "啟動後台服務", "Start the background service");
}

} // namespace Messages::Face
