#include "forms/TForm111.h"

#include "messages/PortMappingMessages.h"
#include "platform/DottedIPv4.h"
#include "portmap/MappingLine.h"
#include "portmap/uAutoNAT.h"
#include "registration/Session.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>

namespace Text = Messages::PortMapping;

namespace {

using Task = TAutoNAT::TaskType;

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
    log(Text::portNotANumber());
    return std::nullopt;
}

void TForm111::BitBtn1Click()
{
    if (AutoNAT1->FindDevice()) {
        log(Text::searchStarted());
        return;
    }
    log(Text::searchNotStarted());
    Label6->setText(Text::searchFailedLabel());
}

void TForm111::BitBtn2Click()
{
    if (!AutoNAT1->GetControlPage())
        log(Text::controlPageNotStarted());
}

void TForm111::BitBtn3Click()
{
    const auto ports = typedPorts();
    if (!ports)
        return;
    if (AutoNAT1->AddPort(QStringLiteral("TestUDP"), ports->first, Edit1->text(), ports->second, protocol()))
        log(Text::addStarted());
    else
        log(Text::addNotStarted());
}

void TForm111::BitBtn4Click()
{
    AutoNAT1->GetExternalIp();
    log(Text::externalAddressRequested());
}

void TForm111::BitBtn5Click()
{
    const auto ports = typedPorts();
    if (!ports)
        return;
    if (AutoNAT1->DeletePort(ports->first, protocol()))
        log(Text::deleteStarted());
    else
        log(Text::deleteNotStarted());
}

void TForm111::AutoNAT1TaskSuccess()
{
    switch (AutoNAT1->task()) {
    case Task::Search:
        onSearchSucceeded();
        break;
    case Task::ControlPage:
        log(Text::controlPageRead());
        // The client takes the control address only after this handler returns.
        Timer1.setInterval(2000);
        break;
    case Task::AddPort:
        log(QString());
        log(Text::portAdded());
        emit mappingAdded(typedMappingLine());
        Label10->setText(Text::portAddedLabel());
        endAdd();
        break;
    case Task::ExternalAddress:
        onExternalAddress();
        break;
    case Task::DeletePort:
        log(QString());
        log(Text::portDeleted());
        emit mappingDeleted(typedMappingLine());
        Button1->setEnabled(true);
        break;
    default:
        break;
    }
}

void TForm111::AutoNAT1TaskFail()
{
    switch (AutoNAT1->task()) {
    case Task::Search:
        log(Text::searchFailed());
        Label6->setText(Text::searchFailedLabel());
        break;
    case Task::ControlPage:
        log(Text::controlPageFailed());
        break;
    case Task::AddPort:
        log(Text::addFailed());
        endAdd();
        break;
    case Task::ExternalAddress:
        // Its last address may be stale now: the checks stop trusting it.
        m_session.setRouterAnswering(false);
        log(Text::externalAddressFailed());
        // The label of a failed search stays: that failure came first.
        if (Label6->text() != Text::searchFailedLabel())
            Label6->setText(Text::contactDeveloperLabel());
        break;
    case Task::DeletePort:
        log(Text::deleteFailed());
        Button1->setEnabled(true);
        break;
    default:
        break;
    }
}

void TForm111::onSearchSucceeded()
{
    log(QString());
    log(Text::searchSucceeded());
    BitBtn2Click();
    const QString name = AutoNAT1->RouterName();
    const qsizetype blank = name.indexOf(u' ');
    Label6->setText(Text::routerLabel(blank < 0 ? QString() : name.left(blank + 1)));
    using Text::RouterDetail;
    log(Text::routerDetail(RouterDetail::Name, name));
    log(Text::routerDetail(RouterDetail::Location, AutoNAT1->RouterLocation()));
    log(Text::routerDetail(RouterDetail::USN, AutoNAT1->RouterUSN()));
    log(Text::routerDetail(RouterDetail::IP, AutoNAT1->RouterIp()));
    log(Text::routerDetail(RouterDetail::Port, QString::number(AutoNAT1->RouterPort())));
    log(Text::routerDetail(RouterDetail::URL, AutoNAT1->RouterURL()));
    log(Text::routerDetail(RouterDetail::URLBase, AutoNAT1->URLBase()));
}

// The address reaches Edit3, the mapping lines, "jilu.txt" and the primary
// window's checks: anything but a dotted IPv4 address counts as a failure.
void TForm111::onExternalAddress()
{
    const QString address = AutoNAT1->ExternalIp().trimmed();
    if (!isDottedIPv4(address)) {
        log(Text::externalAddressInvalid());
        AutoNAT1TaskFail();
        return;
    }
    m_session.setRouterAnswering(true);
    log(Text::externalAddressRead());
    log(Text::externalAddress(address));
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

// The fields hold the mapping of the add or delete under way until it ends.
QString TForm111::typedMappingLine() const
{
    return MappingLine::make(Edit3->text(), Edit4->text().trimmed(), protocol(), Edit1->text(),
                             Edit2->text().trimmed());
}

void TForm111::Button1Click()
{
    Timer5.setInterval(0);
    Label10->clear();
    Button1->setEnabled(false);
    if (typedPorts()) {
        const QString line = typedMappingLine();
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
        log(Text::notAMappingLineSkipped(line));
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
        log(Text::addUnfinishedSkipped(line));
        return;
    }
    log(Text::addUnfinishedRetried(line));
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
