#include "messages/PortMappingMessages.h"

namespace Messages::PortMapping {

QString timeoutOutOfRangeCaption()
{
    return QStringLiteral("提示");
}

QString timeoutOutOfRange()
{
    return QStringLiteral("对不起，超时值范围1000-30000，重新输入！");
}

QString portNotANumber()
{
    return QStringLiteral("端口必须是1到65535之间的整数，未发送请求！");
}

QString mappingInvalid()
{
    return QStringLiteral("协议必须是TCP或UDP，内网IP必须是IPv4地址，未发送请求！");
}

QString listLineRefused(int lineNumber)
{
    return QStringLiteral("映射列表第%1行不是正确的端口映射项，列表没有改变").arg(lineNumber);
}

QString listTooLong(int maxLines)
{
    return QStringLiteral("映射列表最多%1行，没有接受").arg(maxLines);
}

QString checkIntervalRefused(int minSeconds, int maxSeconds)
{
    return QStringLiteral("检测间隔必须是%1到%2之间的整数秒，没有保存").arg(minSeconds).arg(maxSeconds);
}

QString searchStarted()
{
    return QStringLiteral("正在搜索路由器，请稍等...");
}

QString searchNotStarted()
{
    return QStringLiteral("搜索路由器时出现异常，搜索失败！");
}

QString searchSucceeded()
{
    return QStringLiteral("搜索路由器成功！");
}

QString routerLabel(const QString& firstWord)
{
    return firstWord + QStringLiteral("   ");
}

QString searchFailed()
{
    return QStringLiteral("搜索路由器失败！");
}

QString searchFailedLabel()
{
    return QStringLiteral("搜索路由器时出现异常，无法设置！  ");
}

QString controlPageNotStarted()
{
    return QStringLiteral("取控制页URL出现异常，操作失败！");
}

QString controlPageRead()
{
    return QStringLiteral("取控制页地址成功！");
}

QString controlPageFailed()
{
    return QStringLiteral("取控制页地址失败！");
}

QString addStarted()
{
    return QStringLiteral("正在增加端口映射项，请稍等...");
}

QString addNotStarted()
{
    return QStringLiteral("增加端口时出现异常，操作失败！");
}

QString portAdded()
{
    return QStringLiteral("增加端口成功！");
}

QString portAddedLabel()
{
    return portAdded() + QStringLiteral("  ");
}

QString addFailed()
{
    return QStringLiteral("增加端口失败！");
}

QString deleteStarted()
{
    return QStringLiteral("正在删除端口映射项，请稍等...");
}

QString deleteNotStarted()
{
    return QStringLiteral("删除端口时出现异常，操作失败！");
}

QString portDeleted()
{
    return QStringLiteral("删除端口成功！");
}

QString deleteFailed()
{
    return QStringLiteral("删除端口失败！");
}

QString withdrawalStarted(int count)
{
    return QStringLiteral("正在从路由器删除全部 %1 条端口映射，列表保留...").arg(count);
}

QString withdrawalEnded(int deleted, int failed, int othersKept)
{
    QString notDeleted;
    if (failed > 0)
        notDeleted += QStringLiteral("，%1 条删除失败").arg(failed);
    if (othersKept > 0)
        notDeleted += QStringLiteral("，%1 条属于其他主机，未删除").arg(othersKept);
    return QStringLiteral("已从路由器删除 %1 条端口映射%2。列表已保留，按“重置”重新映射。")
        .arg(deleted)
        .arg(notDeleted);
}

QString notOnRouter()
{
    return QStringLiteral("路由器上没有这一项");
}

QString withdrawalAction()
{
    return QStringLiteral("从路由器删除全部映射(&W)");
}

QString externalAddressRequested()
{
    return QStringLiteral("正在取外网IP，请稍等...");
}

QString externalAddressRead()
{
    return QStringLiteral("取外网IP成功！");
}

QString externalAddress(const QString& address)
{
    return QStringLiteral("外网IP=") + address;
}

QString externalAddressInvalid()
{
    return QStringLiteral("路由器返回的外网IP无效");
}

QString externalAddressFailed()
{
    return QStringLiteral("取外网IP失败！");
}

QString contactDeveloperLabel()
{
    return QStringLiteral("请联系研发者......   ");
}

QString routerDetail(RouterDetail detail, const QString& value)
{
    switch (detail) {
    case RouterDetail::Name:
        return QStringLiteral("RouterName=") + value;
    case RouterDetail::Location:
        return QStringLiteral("RouterLocation=") + value;
    case RouterDetail::USN:
        return QStringLiteral("RouterUSN=") + value;
    case RouterDetail::IP:
        return QStringLiteral("RouterIP=") + value;
    case RouterDetail::Port:
        return QStringLiteral("RouterPort=") + value;
    case RouterDetail::URL:
        return QStringLiteral("RouterURL=") + value;
    case RouterDetail::URLBase:
        return QStringLiteral("URLBase=") + value;
    }
    return {};
}

QString notAMappingLineSkipped(const QString& line)
{
    return QStringLiteral("跳过不是端口映射项的一行：") + line;
}

QString addUnfinishedRetried(const QString& line)
{
    return QStringLiteral("增加端口未完成，重试：") + line;
}

QString addUnfinishedSkipped(const QString& line)
{
    return QStringLiteral("增加端口未完成，跳过：") + line;
}

QString routerLostRetrying()
{
    return QStringLiteral("路由器无应答，将自动重新搜索...");
}

QString routerBack()
{
    return QStringLiteral("路由器已恢复应答！");
}

QString tryingNextDevice(const QString& location)
{
    return QStringLiteral("该设备不是路由器，试下一个：") + location;
}

QString externalAddressNotYet()
{
    return QStringLiteral("路由器尚无外网IP，稍后再取...");
}

QString routerRestarted()
{
    return QStringLiteral("路由器已重新启动，检查端口映射...");
}

QString mappingsMissing(int count)
{
    return QStringLiteral("路由器上缺少%1项端口映射，重新增加...").arg(count);
}

QString addRefused(int code, const QString& description)
{
    return QStringLiteral("增加端口失败！路由器错误：%1 %2").arg(code).arg(description);
}

QString addRefusedLabel(int code, const QString& description)
{
    return QStringLiteral("增加端口失败：%1 %2  ").arg(code).arg(description);
}

QString routerMappingsTitle()
{
    return QStringLiteral("路由器上的端口映射");
}

QString routerMappingsNone()
{
    return QStringLiteral("路由器上没有端口映射。");
}

QString routerMappingsNoRouter()
{
    return QStringLiteral("未找到路由器，无法列出端口映射。");
}

QString routerMappingsRead(int count)
{
    return QStringLiteral("正在读取路由器的端口映射：已读 %1 条").arg(count);
}

QString routerMappingsIncomplete()
{
    return QStringLiteral("路由器中途停止应答，列表可能不全。");
}

QString routerMappingLine(const RouterMapping& mapping)
{
    QString line = QStringLiteral("%1 %2 -> %3:%4")
                       .arg(mapping.protocol)
                       .arg(mapping.externalPort)
                       .arg(mapping.internalClient)
                       .arg(mapping.internalPort);
    if (!mapping.enabled)
        line += QStringLiteral("  [已停用]");
    if (mapping.thisMachine)
        line += QStringLiteral("  [本机]");
    if (mapping.stored)
        line += QStringLiteral("  [已保存]");
    if (!mapping.description.isEmpty())
        line += QStringLiteral("  ") + mapping.description;
    return line;
}

} // namespace Messages::PortMapping
