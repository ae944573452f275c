#include "messages/TrayMessages.h"

#include <cstddef>

namespace Messages::Tray {

namespace {

struct Texts
{
    const char* key;
    const char* jt;
    const char* ft;
    const char* et;
};

QString pick(LanguageCode language, const Texts& texts)
{
    switch (language) {
    case LanguageCode::Jt:
        return QString::fromUtf8(texts.jt);
    case LanguageCode::Ft:
        return QString::fromUtf8(texts.ft);
    case LanguageCode::Et:
        break;
    }
    return QString::fromUtf8(texts.et);
}

// The first row stands for any key the table lacks.
template <std::size_t N> QString lookUp(LanguageCode language, const Texts (&table)[N], const QString& key)
{
    for (const Texts& texts : table)
        if (key == QLatin1String(texts.key))
            return pick(language, texts);
    return pick(language, table[0]);
}

constexpr Texts servers[] = {
    {"primary", "主DNS", "主DNS", "Primary DNS"},
    {"secondary", "辅DNS", "輔DNS", "Secondary DNS"},
};

constexpr Texts loginStates[] = {
    {"idle", "未登录", "未登入", "not logged in"},
    {"registered", "已登录", "已登入", "logged in"},
    {"logging-in", "正在登录", "正在登入", "logging in"},
    {"unanswered", "无应答", "無回應", "no answer"},
    {"refused", "被拒绝", "被拒絕", "refused"},
};

constexpr Texts routerStates[] = {
    {"searching", "正在查找", "正在尋找", "searching"},
    {"found", "已找到", "已找到", "found"},
    {"not-found", "未找到", "未找到", "not found"},
    {"unusable", "无法使用", "無法使用", "unusable"},
};

} // namespace

QString serverName(LanguageCode language, const QString& server)
{
    return lookUp(language, servers, server);
}

QString loginState(LanguageCode language, const QString& state)
{
    return lookUp(language, loginStates, state);
}

QString routerState(LanguageCode language, const QString& state)
{
    return lookUp(language, routerStates, state);
}

QString routerLabel(LanguageCode language)
{
    return pick(language, {"", "路由器", "路由器", "Router"});
}

QString serviceStopped(LanguageCode language)
{
    return pick(language, {"", "后台服务已停止", "後台服務已停止", "Background service stopped"});
}

} // namespace Messages::Tray
