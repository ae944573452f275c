#include "forms/TForm111.h"

#include "platform/DottedIPv4.h"
#include "portmap/MappingLine.h"
#include "portmap/uAutoNAT.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>

namespace {

const QString searchFailedLabel = QStringLiteral("搜索路由器时出现异常，无法设置！  ");
const QString stateReady = QStringLiteral("ok");
const QString stateAdding = QStringLiteral("on");

} // namespace

QString TForm111::protocol() const
{
    return RadioButton1->isChecked() ? QStringLiteral("TCP") : QStringLiteral("UDP");
}

void TForm111::setMappingLines(const QStringList& lines)
{
    Memo2->setPlainText(lines.join(u'\n'));
}

// The ports as typed in Edit4 (public) and Edit2 (local); a text that is not a
// port sends nothing.
std::optional<std::pair<int, int>> TForm111::typedPorts()
{
    const auto publicPort = MappingLine::port(Edit4->text());
    const auto localPort = MappingLine::port(Edit2->text());
    if (publicPort && localPort)
        return std::pair{*publicPort, *localPort};
    log(QStringLiteral("端口必须是1到65535之间的整数，未发送请求！"));
    return std::nullopt;
}

void TForm111::BitBtn1Click()
{
    if (AutoNAT1->FindDevice()) {
        log(QStringLiteral("正在搜索路由器，请稍等..."));
        return;
    }
    log(QStringLiteral("搜索路由器时出现异常，搜索失败！"));
    Label6->setText(searchFailedLabel);
}

void TForm111::BitBtn2Click()
{
    if (!AutoNAT1->GetControlPage())
        log(QStringLiteral("取控制页URL出现异常，操作失败！"));
}

void TForm111::BitBtn3Click()
{
    const auto ports = typedPorts();
    if (!ports)
        return;
    if (AutoNAT1->AddPort(QStringLiteral("TestUDP"), ports->first, Edit1->text(), ports->second, protocol()))
        log(QStringLiteral("正在增加端口映射项，请稍等..."));
    else
        log(QStringLiteral("增加端口时出现异常，操作失败！"));
}

void TForm111::BitBtn4Click()
{
    AutoNAT1->GetExternalIp();
    log(QStringLiteral("正在取外网IP，请稍等..."));
}

void TForm111::BitBtn5Click()
{
    const auto ports = typedPorts();
    if (!ports)
        return;
    if (AutoNAT1->DeletePort(ports->first, protocol()))
        log(QStringLiteral("正在删除端口映射项，请稍等..."));
    else
        log(QStringLiteral("删除端口时出现异常，操作失败！"));
}

void TForm111::AutoNAT1TaskSuccess()
{
    switch (AutoNAT1->TaskType()) {
    case 1:
        onSearchSucceeded();
        break;
    case 2:
        log(QStringLiteral("取控制页地址成功！"));
        // The client takes the control address only after this handler returns.
        Timer1.setInterval(2000);
        break;
    case 3:
        log(QString());
        log(QStringLiteral("增加端口成功！"));
        Label10->setText(QStringLiteral("增加端口成功！  "));
        endAdd();
        break;
    case 4:
        onExternalAddress();
        break;
    case 5:
        log(QString());
        log(QStringLiteral("删除端口成功！"));
        Button1->setEnabled(true);
        break;
    default:
        break;
    }
}

void TForm111::AutoNAT1TaskFail()
{
    switch (AutoNAT1->TaskType()) {
    case 1:
        log(QStringLiteral("搜索路由器失败！"));
        Label6->setText(searchFailedLabel);
        break;
    case 2:
        log(QStringLiteral("取控制页地址失败！"));
        break;
    case 3:
        log(QStringLiteral("增加端口失败！"));
        endAdd();
        break;
    case 4:
        log(QStringLiteral("取外网IP失败！"));
        if (!Label6->text().contains(QStringLiteral("出现异常")))
            Label6->setText(QStringLiteral("请联系研发者......   "));
        break;
    case 5:
        log(QStringLiteral("删除端口失败！"));
        Button1->setEnabled(true);
        break;
    default:
        break;
    }
}

void TForm111::onSearchSucceeded()
{
    log(QString());
    log(QStringLiteral("搜索路由器成功！"));
    BitBtn2Click();
    const QString name = AutoNAT1->RouterName();
    const qsizetype blank = name.indexOf(u' ');
    Label6->setText((blank < 0 ? QString() : name.left(blank + 1)) + QStringLiteral("   "));
    log(QStringLiteral("RouterName=") + name);
    log(QStringLiteral("RouterLocation=") + AutoNAT1->RouterLocation());
    log(QStringLiteral("RouterUSN=") + AutoNAT1->RouterUSN());
    log(QStringLiteral("RouterIP=") + AutoNAT1->RouterIp());
    log(QStringLiteral("RouterPort=") + QString::number(AutoNAT1->RouterPort()));
    log(QStringLiteral("RouterURL=") + AutoNAT1->RouterURL());
    log(QStringLiteral("URLBase=") + AutoNAT1->URLBase());
}

// The address reaches Edit3, the mapping lines, "jilu.txt" and the primary
// window's checks: anything but a dotted IPv4 address counts as a failure.
void TForm111::onExternalAddress()
{
    const QString address = AutoNAT1->ExternalIp().trimmed();
    if (!isDottedIPv4(address)) {
        log(QStringLiteral("路由器返回的外网IP无效"));
        AutoNAT1TaskFail();
        return;
    }
    log(QStringLiteral("取外网IP成功！"));
    log(QStringLiteral("外网IP=") + address);
    Button1->setEnabled(true);
    BitBtn6->setEnabled(true);
    if (Edit3->text() != address) {
        Edit3->setText(address);
        BitBtn6Click();
    }
}

void TForm111::endAdd()
{
    Button1->setEnabled(true);
    BitBtn6->setEnabled(true);
    ReapplyState = stateReady;
    reapplyWatchdog.setInterval(0);
}

void TForm111::Button1Click()
{
    Timer5.setInterval(0);
    Label10->clear();
    Button1->setEnabled(false);
    if (typedPorts()) {
        const QString line = MappingLine::make(Edit3->text(), Edit4->text().trimmed(), protocol(),
                                               Edit1->text(), Edit2->text().trimmed());
        QStringList lines = mappingLines();
        if (RadioButton3->isChecked()) {
            BitBtn3Click();
            if (!lines.contains(line)) {
                lines << line;
                setMappingLines(lines);
                saveMappingList();
            }
        } else if (lines.removeAll(line) > 0) {
            setMappingLines(lines);
            BitBtn5Click();
            saveMappingList();
        }
    }
    Timer5.setInterval(11110);
}

void TForm111::BitBtn6Click()
{
    if (mappingLines().isEmpty()) {
        Timer5.setInterval(1000);
        return;
    }
    Label10->clear();
    ReapplyState = stateReady;
    ReapplyIndex = 0;
    m_watchedLine = -1;
    Button1->setEnabled(false);
    BitBtn6->setEnabled(false);
    Timer3.setInterval(1000);
}

void TForm111::Timer3Timer()
{
    if (ReapplyState != stateReady)
        return; // the previous add has not ended yet
    const QStringList lines = mappingLines();
    if (ReapplyIndex >= lines.size()) {
        finishReapplyStep();
        return;
    }
    const QString line = lines.at(ReapplyIndex);
    const auto ports = MappingLine::ports(line);
    if (!ports) {
        log(QStringLiteral("跳过不是端口映射项的一行：") + line);
        finishReapplyStep();
        return;
    }
    ReapplyState = stateAdding;
    (ports->protocol == QStringLiteral("TCP") ? RadioButton1 : RadioButton2)->setChecked(true);
    const QString publicPort = QString::number(ports->publicPort);
    const QString localPort = QString::number(ports->localPort);
    QStringList updated = lines;
    updated[ReapplyIndex] =
        MappingLine::make(Edit3->text(), publicPort, ports->protocol, Edit1->text(), localPort);
    setMappingLines(updated);
    Edit2->setText(localPort);
    Edit4->setText(publicPort);
    BitBtn6->setEnabled(false);
    if (ReapplyIndex != m_watchedLine)
        m_lineRetried = false;
    m_watchedLine = ReapplyIndex;
    reapplyWatchdog.setInterval(AutoNAT1->Timeout() + 2000);
    BitBtn3Click();
    finishReapplyStep();
}

void TForm111::finishReapplyStep()
{
    ++ReapplyIndex;
    if (ReapplyIndex < mappingLines().size())
        return;
    Timer3.setInterval(0);
    Timer5.setInterval(1000);
}

void TForm111::reapplyWatchdogTimer()
{
    reapplyWatchdog.setInterval(0);
    if (ReapplyState != stateAdding)
        return;
    ReapplyState = stateReady;
    const QString line = mappingLines().value(m_watchedLine);
    if (m_lineRetried) {
        log(QStringLiteral("增加端口未完成，跳过：") + line);
        return;
    }
    log(QStringLiteral("增加端口未完成，重试：") + line);
    m_lineRetried = true;
    ReapplyIndex = m_watchedLine;
    Timer3.setInterval(1000);
}

void TForm111::dailyReapplyTimer()
{
    if (Edit3->text() != QStringLiteral("0.0.0.0") && !Timer3.isRunning())
        BitBtn6Click();
}

void TForm111::Timer1Timer()
{
    Timer1.setInterval(0);
    BitBtn4Click();
}

void TForm111::Timer2Timer()
{
    Timer2.setInterval(0);
    BitBtn1Click();
}

void TForm111::Timer4Timer()
{
    BitBtn4Click();
}

void TForm111::Timer5Timer()
{
    Timer5.setInterval(11111);
    BitBtn4Click();
}

void TForm111::CheckBox1Click()
{
    bool isNumber = false;
    const qint64 seconds = Edit5->text().toLongLong(&isNumber);
    const qint64 interval =
        isNumber ? std::clamp<qint64>(seconds, 15, std::numeric_limits<int>::max() / 1000) * 1000 : 60000;
    Timer4.setInterval(CheckBox1->isChecked() ? int(interval) : 0);
}

void TForm111::Edit5Change()
{
    Memo3 = QStringList{Edit5->text()};
    saveIntervalFile();
}
