#include "forms/TForm111.h"

#include "messages/PortMappingMessages.h"
#include "platform/DottedIPv4.h"
#include "portmap/MappingLine.h"
#include "portmap/uAutoNAT.h"
#include "registration/ClientState.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>
#include <utility>

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
        logUnlessRetrying(Text::searchStarted());
        return;
    }
    logUnlessRetrying(Text::searchNotStarted());
    Label6->setText(Text::searchFailedLabel());
    routerLost();
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
    if (AutoNAT1->AddPort(QStringLiteral("TestUDP"), ports->first, Edit1->text(), ports->second,
                          protocol())) {
        log(Text::addStarted());
        return;
    }
    log(Text::addNotStarted());
    m_pendingAddLine.reset();
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
        m_awaitingDevice = false;
        refreshInternalClient();
        // The client takes the control address only after this handler returns.
        Timer1.setInterval(2000);
        break;
    case Task::AddPort:
        log(QString());
        log(Text::portAdded());
        if (m_pendingAddLine) {
            QStringList lines = mappingLines();
            if (!lines.contains(*m_pendingAddLine)) {
                lines << *m_pendingAddLine;
                setMappingLines(lines);
                saveMappingList();
            }
            m_pendingAddLine.reset();
        }
        emit mappingAdded(typedMappingLine());
        Label10->setText(Text::portAddedLabel());
        m_loopAdd = false;
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
    case Task::MappingEntry:
        onMappingEntry(true);
        break;
    case Task::MappingAt:
        m_listing->taskEnded(true);
        break;
    default:
        break;
    }
    afterTask();
}

void TForm111::AutoNAT1TaskFail()
{
    switch (AutoNAT1->task()) {
    case Task::Search:
        logUnlessRetrying(Text::searchFailed());
        Label6->setText(Text::searchFailedLabel());
        routerLost();
        break;
    case Task::ControlPage:
        logUnlessRetrying(Text::controlPageFailed());
        onControlPageFailed();
        break;
    case Task::AddPort: {
        const bool ofTheLoop = std::exchange(m_loopAdd, false);
        showAddRefusal();
        m_pendingAddLine.reset();
        endAdd();
        if (ofTheLoop && !AutoNAT1->answered())
            retryUnansweredAdd();
        break;
    }
    case Task::ExternalAddress:
        // Its last address may be stale now: the checks stop trusting it.
        m_session.setRouterAnswering(false);
        log(Text::externalAddressFailed());
        // The label of a failed search stays: that failure came first.
        if (Label6->text() != Text::searchFailedLabel())
            Label6->setText(Text::contactDeveloperLabel());
        if (m_recovery.pollFailed(AutoNAT1->answered()))
            routerLost();
        break;
    case Task::DeletePort:
        log(Text::deleteFailed());
        Button1->setEnabled(true);
        break;
    case Task::MappingEntry:
        onMappingEntry(false);
        break;
    case Task::MappingAt:
        m_listing->taskEnded(false);
        break;
    default:
        break;
    }
    afterTask();
}

// The router's own words on a refused add go where the user looks, not only
// into the log beneath the list.
void TForm111::showAddRefusal()
{
    const auto& fault = AutoNAT1->fault();
    if (!fault) {
        log(Text::addFailed());
        Label10->setText(Text::addFailed());
        return;
    }
    const QString description = QString::fromUtf8(fault->description);
    log(Text::addRefused(fault->code, description));
    Label10->setText(Text::addRefusedLabel(fault->code, description));
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
    const bool wasLost = m_recovery.found();
    if (wasLost)
        log(Text::routerBack());
    refreshInternalClient();
    Button1->setEnabled(true);
    BitBtn6->setEnabled(true);
    log(Text::externalAddressRead());
    log(Text::externalAddress(address));
    // Not yet: the router's own link is still coming up. Polling goes on.
    if (address == QStringLiteral("0.0.0.0")) {
        m_session.setRouterAnswering(false);
        log(Text::externalAddressNotYet());
        if (!Timer5.isRunning())
            Timer5.setInterval(11111);
        return;
    }
    m_session.setRouterAnswering(true);
    if (Edit3->text() != address) {
        Edit3->setText(address);
        BitBtn6Click();
    } else if (wasLost) {
        // Back after an outage with the same address: it may have forgotten.
        startMappingCheck();
    }
}

void TForm111::endAdd()
{
    Button1->setEnabled(true);
    BitBtn6->setEnabled(true);
    ReapplyState = stateReady;
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
            // Stored once the router has taken it.
            m_pendingAddLine = line;
            BitBtn3Click();
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
    m_reapplyOnly.reset();
    ReapplyState = stateReady;
    ReapplyIndex = 0;
    m_watchedLine = -1;
    Button1->setEnabled(false);
    BitBtn6->setEnabled(false);
    Timer3.setInterval(1000);
}

void TForm111::Timer3Timer()
{
    // The previous add, or another task of the router, has not ended yet.
    if (ReapplyState != stateReady || AutoNAT1->busy())
        return;
    const QStringList lines = mappingLines();
    while (m_reapplyOnly && ReapplyIndex < lines.size() && !m_reapplyOnly->contains(ReapplyIndex))
        ++ReapplyIndex;
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
    m_loopAdd = true;
    BitBtn3Click();
    finishReapplyStep();
}

void TForm111::finishReapplyStep()
{
    ++ReapplyIndex;
    if (ReapplyIndex < mappingLines().size())
        return;
    Timer3.setInterval(0);
    m_reapplyOnly.reset();
    Timer5.setInterval(1000);
}

// An add of the loop that got no answer at all (the router did not take the
// connection in time, or never answered) is tried once more, then skipped.
void TForm111::retryUnansweredAdd()
{
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
    m_routerKnown = true;
    pollExternalAddress();
}

void TForm111::Timer2Timer()
{
    Timer2.setInterval(0);
    BitBtn1Click();
}

void TForm111::Timer4Timer()
{
    pollExternalAddress();
}

void TForm111::Timer5Timer()
{
    Timer5.setInterval(11111);
    pollExternalAddress();
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
