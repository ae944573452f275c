#include "messages/Messages.h"

namespace Messages {

static QString pick(LanguageCode language, const QString& jt, const QString& ft, const QString& et)
{
    switch (language) {
    case LanguageCode::Jt:
        return jt;
    case LanguageCode::Ft:
        return ft;
    case LanguageCode::Et:
        break;
    }
    return et;
}

QString initial()
{
    return QStringLiteral("准备登录");
}

QString loginSent(const QString& time)
{
    return time + QStringLiteral(" 向主DNS发出登录命令");
}

QString startupLoginSent(const QString& time)
{
    return time + QStringLiteral(" 发出登录命令");
}

QString sendFailed(LanguageCode language)
{
    return pick(language, QStringLiteral("主DNS登录失败，线路不通！"), QStringLiteral("登錄失敗，線路不通！"),
                QStringLiteral("Login failed, line unreasonable "));
}

QString loginSucceeded(LanguageCode language, const QString& time)
{
    return time + pick(language, QStringLiteral("  主DNS登录成功！    "), QStringLiteral("  登錄成功！ "),
                       QStringLiteral("  Login success   "));
}

QString successHistory(LanguageCode language, const LoginStamp& s)
{
    switch (language) {
    case LanguageCode::Jt:
        return QStringLiteral("域名:") + s.replyDomain + QStringLiteral("  主DNS登录成功,解析的IP是 ") +
               s.displayAddress + QStringLiteral(" 时间 ") + s.date + u' ' + s.time +
               QStringLiteral(" 用户（") + s.user + QStringLiteral("）") + s.expiry;
    case LanguageCode::Ft:
        return QStringLiteral("域名:") + s.replyDomain + QStringLiteral(" 登錄成功,解析的IP是 ") +
               s.displayAddress + QStringLiteral(" 時間 ") + s.date + u' ' + s.time +
               QStringLiteral(" 用戶（") + s.user + QStringLiteral("）") + s.expiry;
    case LanguageCode::Et:
        break;
    }
    return QStringLiteral(" domain: ") + s.replyDomain +
           QStringLiteral("  Login successful, the IP is the analytical ") + s.displayAddress +
           QStringLiteral(" Time ") + s.date + u' ' + s.time + QStringLiteral(" User (") + s.user + u')' +
           s.expiry;
}

QString repeatedLoginHistory(LanguageCode language, const LoginStamp& s)
{
    switch (language) {
    case LanguageCode::Jt:
        return QStringLiteral("主DNS域名重复登录成功,解析的IP ") + s.displayAddress +
               QStringLiteral(" 时间 ") + s.date + u' ' + s.time + QStringLiteral(" 用户（") + s.user +
               QStringLiteral("）") + s.expiry;
    case LanguageCode::Ft:
        // No opening bracket before the user in this language.
        return QStringLiteral("域名重復登錄成功,解析的IP和前次一樣 時間 ") + s.date + u' ' + s.time +
               QStringLiteral(" 用戶") + s.user + QStringLiteral("）") + s.expiry;
    case LanguageCode::Et:
        break;
    }
    return QStringLiteral(
               "Login to repeat the success domain names, IP and analysis of the previous same time ") +
           s.date + u' ' + s.time + QStringLiteral(" User (") + s.user + QStringLiteral(") ") + s.expiry;
}

QString outsideAddressPrefix(LanguageCode language)
{
    return pick(language, QStringLiteral("外网"), QStringLiteral("外網"), QStringLiteral(" Net "));
}

QString localAddressPrefix(LanguageCode language)
{
    return pick(language, QStringLiteral("内网"), QStringLiteral("內網"), QStringLiteral(" In the net "));
}

QString expiryPrefix()
{
    return QStringLiteral("域名到期时间是");
}

QString domainDisabled()
{
    return QStringLiteral("你的域名被禁用，请联系管理员");
}

QString payingUser()
{
    return QStringLiteral("您是我们的收费用户，有问题可以随时咨询！");
}

QString freeUser()
{
    return QStringLiteral("您是我们的免费用户，收费用户可以享受更全面服务！");
}

QString testUser()
{
    return QStringLiteral("欢迎测试，有问题可以随时咨询！");
}

QString loginFailed(LanguageCode language)
{
    return pick(language, QStringLiteral(" 主DNS登录失败！"), QStringLiteral(" 登錄失敗！"),
                QStringLiteral(" Login failed"));
}

QString loginFailedHistory(LanguageCode language, const QString& date, const QString& time,
                           const QString& user)
{
    return date + u' ' + time + u' ' + user + loginFailed(language);
}

QString notRegistered(LanguageCode language)
{
    return pick(language, QStringLiteral("  输入有误或没注册"), QStringLiteral("  輸入有誤或沒註冊"),
                QStringLiteral(" Entered incorrectly"));
}

QString noPublicAddress()
{
    return QStringLiteral("你可能没有自己的外网IP");
}

QString fixedAddressInvalid(LanguageCode language)
{
    return pick(language, QStringLiteral("固定IP不是有效的IPv4地址，未发送登录命令"),
                QStringLiteral("固定IP不是有效的IPv4位址，未發送登錄命令"),
                QStringLiteral("The fixed IP is not a valid IPv4 address; no login was sent"));
}

QString savedCredentialsIncomplete(LanguageCode language)
{
    return pick(language, QStringLiteral("保存的域名和密码不完整，请重新输入"),
                QStringLiteral("保存的域名和密碼不完整，請重新輸入"),
                QStringLiteral("The saved domain and password are incomplete; please type them again"));
}

QString routerBehindAnotherNat(LanguageCode language, const QString& routerAddress)
{
    return pick(language,
                QStringLiteral(
                    "  路由器的外网IP %1 不是公网IP，外面还有一层NAT，改为对照服务商网页上的公网IP检查"),
                QStringLiteral(
                    "  路由器的外網IP %1 不是公網IP，外面還有一層NAT，改為對照服務商網頁上的公網IP檢查"),
                QStringLiteral(
                    "  The router's external address %1 is not a public address: another NAT lies "
                    "beyond it, so the check compares with the public address on the provider's page"))
        .arg(routerAddress);
}

QString routerNotAnswering(LanguageCode language)
{
    return pick(
        language, QStringLiteral("  路由器没有回应，改为对照服务商网页上的公网IP检查"),
        QStringLiteral("  路由器沒有回應，改為對照服務商網頁上的公網IP檢查"),
        QStringLiteral("  The router does not answer, so the check compares with the public address on "
                       "the provider's page"));
}

QString savedCredentialsUnreadable(LanguageCode language, const QString& reason)
{
    return pick(language, QStringLiteral("无法读取保存的域名和密码（%1），请重新输入"),
                QStringLiteral("無法讀取保存的域名和密碼（%1），請重新輸入"),
                QStringLiteral("Cannot read the saved domain and password (%1); please type them again"))
        .arg(reason);
}

QString savedCredentialsMismatched(LanguageCode language)
{
    return pick(
        language,
        QStringLiteral("保存域名和密码的两个文件（vkl.ini 和 Vizivuri）不一致（被修改过或保存被中断），"
                       "没有恢复，请重新输入"),
        QStringLiteral("保存域名和密碼的兩個檔案（vkl.ini 和 Vizivuri）不一致（被修改過或保存被中斷），"
                       "沒有恢復，請重新輸入"),
        QStringLiteral("The two files that hold the saved domain and password (vkl.ini and Vizivuri) "
                       "do not match (one was edited or a save was cut short), so nothing was "
                       "restored; please type them again"));
}

QString domainRefused(LanguageCode language)
{
    return pick(language,
                QStringLiteral("域名为空或不是有效的域名（只能由字母、数字、“-”和“.”组成），没有使用"),
                QStringLiteral("域名為空或不是有效的域名（只能由字母、數字、「-」和「.」組成），沒有使用"),
                QStringLiteral("The domain is empty or not a host name (letters, digits, '-' and '.' only): "
                               "not used"));
}

QString passwordRefused(LanguageCode language, int maxLength, const QString& codePage)
{
    return pick(language,
                QStringLiteral(
                    "密码为空、超过%1个字符、含有控制字符，或设置文件的编码（%2）无法保存它，没有使用"),
                QStringLiteral(
                    "密碼為空、超過%1個字元、含有控制字元，或設定檔的編碼（%2）無法保存它，沒有使用"),
                QStringLiteral(
                    "The password is empty, longer than %1 characters, holds a control character, or "
                    "the settings file's code page (%2) cannot hold it: not used"))
        .arg(maxLength)
        .arg(codePage);
}

QString loginNotSendable(LanguageCode language)
{
    return pick(language, QStringLiteral("域名或密码中有控制字符或字节顺序标记，没有发送"),
                QStringLiteral("域名或密碼中有控制字元或位元組順序標記，沒有發送"),
                QStringLiteral("The domain or password holds a control character or a byte-order mark: "
                               "nothing was sent"));
}

QString secondCopyUndetectable(LanguageCode language)
{
    return pick(language, QStringLiteral("无法检测是否有另一个副本在运行"),
                QStringLiteral("無法檢測是否有另一個副本在執行"),
                QStringLiteral("Cannot tell whether another copy is running"));
}

QString dnsServerName(LanguageCode language, bool secondary)
{
    return secondary ? pick(language, QStringLiteral("辅DNS"), QStringLiteral("輔DNS"),
                            QStringLiteral("secondary DNS"))
                     : pick(language, QStringLiteral("主DNS"), QStringLiteral("主DNS"),
                            QStringLiteral("primary DNS"));
}

QString noAnswerSince(LanguageCode language, const QString& server, const QString& time)
{
    return pick(language, QStringLiteral("%1 自 %2 起没有回应"), QStringLiteral("%1 自 %2 起沒有回應"),
                QStringLiteral("no answer from %1 since %2"))
        .arg(server, time);
}

QString answersAgain(LanguageCode language, const QString& server)
{
    return pick(language, QStringLiteral("%1 又有回应了"), QStringLiteral("%1 又有回應了"),
                QStringLiteral("%1 answers again"))
        .arg(server);
}

QString unchangedSummary(LanguageCode language, int checks, int routerPolls)
{
    return pick(language, QStringLiteral("没有变化：检测 %1 次，取路由器外网IP %2 次"),
                QStringLiteral("沒有變化：檢測 %1 次，取路由器外網IP %2 次"),
                QStringLiteral("unchanged: %1 checks, %2 router polls"))
        .arg(checks)
        .arg(routerPolls);
}

QString secondInstance()
{
    return QStringLiteral("Software has been running...");
}

QString readFailed(LanguageCode language, const QString& file, const QString& reason)
{
    return pick(language, QStringLiteral("无法读取 %1：%2。本次运行不会改写它"),
                QStringLiteral("無法讀取 %1：%2。本次執行不會改寫它"),
                QStringLiteral("Cannot read %1: %2. It will not be overwritten in this run"))
        .arg(file, reason);
}

QString portHeldByOther(LanguageCode language, int port, const QString& protocol, const QString& holder,
                        const QString& description)
{
    return pick(language, QStringLiteral("端口 %1/%2 已被 %3 (%4) 占用"),
                QStringLiteral("埠 %1/%2 已被 %3 (%4) 佔用"), QStringLiteral("Port %1/%2 is held by %3 (%4)"))
        .arg(QString::number(port), protocol, holder, description);
}

QString natPmpRouterFound(LanguageCode language, const QString& gateway)
{
    return pick(language, QStringLiteral("路由器 %1 以NAT-PMP应答（未开UPnP）"),
                QStringLiteral("路由器 %1 以NAT-PMP應答（未開UPnP）"),
                QStringLiteral("The router %1 answers NAT-PMP (UPnP is off)"))
        .arg(gateway);
}

QString natPmpOnlyThisMachine(LanguageCode language, const QString& internalClient)
{
    return pick(language, QStringLiteral("NAT-PMP只能把端口映射到本机，不能映射到 %1"),
                QStringLiteral("NAT-PMP只能把埠映射到本機，不能映射到 %1"),
                QStringLiteral("NAT-PMP maps ports to this machine only, not to %1"))
        .arg(internalClient);
}

QString portTaken(LanguageCode language, int port, const QString& protocol, int offered)
{
    return pick(language, QStringLiteral("端口 %1/%2 已被占用（路由器只给出 %3）"),
                QStringLiteral("埠 %1/%2 已被佔用（路由器只給出 %3）"),
                QStringLiteral("Port %1/%2 is taken (the router offered %3)"))
        .arg(QString::number(port), protocol, QString::number(offered));
}

QString natPmpCannotList(LanguageCode language, const QString& gateway)
{
    return pick(language, QStringLiteral("路由器 %1 只以NAT-PMP应答，NAT-PMP无法列出端口映射。"),
                QStringLiteral("路由器 %1 只以NAT-PMP應答，NAT-PMP無法列出埠映射。"),
                QStringLiteral("The router %1 answers NAT-PMP only, which cannot list port mappings."))
        .arg(gateway);
}

QString pcpRouterFound(LanguageCode language, const QString& gateway)
{
    return pick(language, QStringLiteral("路由器 %1 以PCP应答"), QStringLiteral("路由器 %1 以PCP應答"),
                QStringLiteral("The router %1 answers PCP"))
        .arg(gateway);
}

QString pcpOnlyThisMachine(LanguageCode language, const QString& internalClient)
{
    return pick(language, QStringLiteral("PCP只能把端口映射到本机，不能映射到 %1"),
                QStringLiteral("PCP只能把埠映射到本機，不能映射到 %1"),
                QStringLiteral("PCP maps ports to this machine only, not to %1"))
        .arg(internalClient);
}

QString pcpCannotList(LanguageCode language, const QString& gateway)
{
    return pick(language, QStringLiteral("路由器 %1 只以PCP应答，PCP无法列出端口映射。"),
                QStringLiteral("路由器 %1 只以PCP應答，PCP無法列出埠映射。"),
                QStringLiteral("The router %1 answers PCP only, which cannot list port mappings."))
        .arg(gateway);
}

QString routerChanged(LanguageCode language, const QString& name, const QString& address)
{
    return pick(language, QStringLiteral("现在应答的是另一台路由器 %1 (%2)"),
                QStringLiteral("現在應答的是另一台路由器 %1 (%2)"),
                QStringLiteral("Another router answers now: %1 (%2)"))
        .arg(name, address);
}

QString writeFailed(LanguageCode language, const QString& file, const QString& reason)
{
    return pick(language, QStringLiteral("无法保存 %1：%2"), QStringLiteral("無法儲存 %1：%2"),
                QStringLiteral("Cannot save %1: %2"))
        .arg(file, reason);
}

QString checkStatus(LanguageCode language, CheckStatus status, const QString& publicAddress)
{
    const QString normalFt = QStringLiteral("  檢測IP正常");
    const QString detectionFt = QStringLiteral("  正常IP檢測");
    const QString et = QStringLiteral("  IP normal detection");
    switch (status) {
    case CheckStatus::ServerCheckStarted:
        return pick(language, QStringLiteral("  向服务器发出检测IP命令 "), detectionFt, et);
    case CheckStatus::ServerCheckNoChange:
        return pick(language, QStringLiteral("  IP没有改变 ") + publicAddress, normalFt, et);
    case CheckStatus::LocalCheckTick:
        return pick(language, QStringLiteral("  检测IP正常 ") + publicAddress, normalFt, et);
    case CheckStatus::LocalCheckChangeFound:
        return pick(language, QStringLiteral("  IP改变，正在登陆 "), normalFt, et);
    case CheckStatus::ConfirmationMatches:
        return pick(language, QStringLiteral("  IP检测正常. ") + publicAddress, normalFt, et);
    case CheckStatus::LoopbackReceived:
        return pick(language, QStringLiteral("  辅DNS检测IP ") + publicAddress, detectionFt, et);
    case CheckStatus::InternalCheckSent:
        return pick(language, QStringLiteral("  发送检测IP命令 ") + publicAddress, detectionFt, et);
    case CheckStatus::InternalCheckNotSent:
        return pick(language, QStringLiteral("  检测IP命令没有发出 "), detectionFt, et);
    }
    return {};
}

QStringList routerNotice()
{
    return {QStringLiteral("这个版本是支持路由器端口映射的版本"),
            QStringLiteral("路由器需要启动UPNP，启动后运行该程序"),
            QStringLiteral("如果你一直看到这个提示，说明这个版本不适合你"),
            QStringLiteral("你可以选择另外的版本，菜单上有下载")};
}

QString entryPasswordMissing(LanguageCode language, const QString& domain)
{
    return domain + pick(language, QStringLiteral(" 的密码没有保存，已跳过"),
                         QStringLiteral(" 的密碼沒有保存，已跳過"),
                         QStringLiteral(": no password is stored, skipped"));
}

QString listFull(LanguageCode language, int maxLines)
{
    return pick(language, QStringLiteral("列表已有%1行，没有添加"), QStringLiteral("列表已有%1行，沒有添加"),
                QStringLiteral("The list already holds %1 lines: nothing was added"))
        .arg(maxLines);
}

QString noAnswer(LanguageCode language, const QString& domain)
{
    return domain + pick(language, QStringLiteral(" 登录三次都没有回应，稍后再试"),
                         QStringLiteral(" 登錄三次都沒有回應，稍後再試"),
                         QStringLiteral(": no answer to three logins, tried again later"));
}

QString domainRefusedNotice(LanguageCode language, const QString& domain)
{
    return domain + pick(language, QStringLiteral(" 登录被服务器拒绝"), QStringLiteral(" 登錄被伺服器拒絕"),
                         QStringLiteral(": the server refused the login"));
}

QString addressChangedNotice(LanguageCode language, const QString& domain, const QString& address)
{
    const QString said =
        pick(language, QStringLiteral(" 已重新登录，新地址 %1"), QStringLiteral(" 已重新登錄，新位址 %1"),
             QStringLiteral(": logged in again with the new address %1"));
    return domain + said.arg(address);
}

QString replyForAnotherDomain(LanguageCode language, const QString& replyDomain, const QString& domain)
{
    return pick(language, QStringLiteral("收到域名 %1 的回应，正在登录的是 %2，已忽略"),
                QStringLiteral("收到域名 %1 的回應，正在登錄的是 %2，已忽略"),
                QStringLiteral("An answer for %1 came while %2 was logging in; ignored"))
        .arg(replyDomain, domain);
}

QString reloginHeldBack(LanguageCode language, const QString& until)
{
    return pick(language, QStringLiteral("IP仍然和上次一样不符，%1 之前不再重新登录"),
                QStringLiteral("IP仍然和上次一樣不符，%1 之前不再重新登錄"),
                QStringLiteral("The address still differs as before; no new login before %1"))
        .arg(until);
}

namespace Secondary {

QString loginSent(const QString& time)
{
    return time + QStringLiteral(" 向辅DNS发出登录命令");
}

QString sendFailed(LanguageCode language)
{
    return pick(language, QStringLiteral("辅DNS登录失败，线路不通！"), Messages::sendFailed(LanguageCode::Ft),
                Messages::sendFailed(LanguageCode::Et));
}

QString loginSucceeded(LanguageCode language, const QString& time)
{
    return language == LanguageCode::Jt ? time + QStringLiteral("  辅DNS登录成功！    ")
                                        : Messages::loginSucceeded(language, time);
}

QString successHistory(LanguageCode language, const LoginStamp& s)
{
    if (language != LanguageCode::Jt)
        return Messages::successHistory(language, s);
    return QStringLiteral("域名:") + s.replyDomain + QStringLiteral("  辅DNS登录成功,解析的IP是 ") +
           s.displayAddress + QStringLiteral(" 时间 ") + s.date + u' ' + s.time + QStringLiteral(" 用户（") +
           s.user + QStringLiteral("）") + s.expiry;
}

QString repeatedLoginHistory(LanguageCode language, const LoginStamp& s)
{
    if (language != LanguageCode::Jt)
        return Messages::repeatedLoginHistory(language, s);
    return QStringLiteral("辅DNS域名重复登录成功,解析的IP和前次一样 时间 ") + s.date + u' ' + s.time +
           QStringLiteral(" 用户（") + s.user + QStringLiteral("）") + s.expiry;
}

QString loginFailedHistory(LanguageCode language, const QString& date, const QString& time,
                           const QString& user)
{
    return date + u' ' + time + u' ' + user +
           pick(language, QStringLiteral(" 辅DNS登录失败！"), loginFailed(LanguageCode::Ft),
                loginFailed(LanguageCode::Et));
}

} // namespace Secondary

QString browserUnavailable(LanguageCode language, const QString& url)
{
    return pick(language, QStringLiteral("无法启动浏览器，请手动打开："),
                QStringLiteral("無法啟動瀏覽器，請手動開啟："),
                QStringLiteral("Cannot start a web browser; open this address yourself: ")) +
           url;
}

QString notAWebAddress(LanguageCode language)
{
    return pick(language, QStringLiteral("只能打开以 http:// 或 https:// 开头的地址"),
                QStringLiteral("只能開啟以 http:// 或 https:// 開頭的位址"),
                QStringLiteral("Only http:// and https:// addresses can be opened"));
}

QString programFolderUnusable(LanguageCode language, const QString& folder, const QString& reason)
{
    return pick(language, QStringLiteral("无法使用文件夹 %1：%2"), QStringLiteral("無法使用資料夾 %1：%2"),
                QStringLiteral("Cannot use the folder %1: %2"))
        .arg(folder, reason);
}

} // namespace Messages
