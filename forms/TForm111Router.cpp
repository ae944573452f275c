// Keeping a router in reach: searching again while none answers, trying the
// next device when one that answered is not a router, and noticing a router
// that forgot the list's mappings. Also the listing of what a router holds.

#include "forms/TForm111.h"

#include "messages/PortMappingMessages.h"
#include "portmap/MappingLine.h"
#include "portmap/uAutoNAT.h"
#include "registration/ClientState.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace Text = Messages::PortMapping;

namespace {

// UPnP's "NoSuchEntryInArray": the router holds no such mapping.
constexpr int NoSuchEntry = 714;
// While a search may still bring answers, the next device is looked for this often.
constexpr int DeviceWaitMs = 500;

} // namespace

void TForm111::logUnlessRetrying(const QString& line)
{
    if (!m_recovery.inOutage())
        log(line);
}

void TForm111::routerLost()
{
    m_routerKnown = false;
    m_awaitingDevice = false;
    m_checkIndex = -1;
    checkStep.setInterval(0);
    Timer1.setInterval(0);
    Timer5.setInterval(0);
    m_session.setRouterAnswering(false);
    if (m_recovery.lost())
        log(Text::routerLostRetrying());
    researchTimer.setInterval(m_recovery.nextSearchDelayMs());
}

void TForm111::researchTimerTimer()
{
    researchTimer.setInterval(0);
    if (m_awaitingDevice) {
        tryNextDevice();
        return;
    }
    BitBtn1Click();
}

void TForm111::onControlPageFailed()
{
    m_awaitingDevice = false;
    tryNextDevice();
}

// The devices that answered the search are tried in the order they answered;
// the search has failed only when none of them is a router.
void TForm111::tryNextDevice()
{
    if (AutoNAT1->takeNextDevice()) {
        logUnlessRetrying(Text::tryingNextDevice(AutoNAT1->RouterLocation()));
        BitBtn2Click();
        return;
    }
    if (AutoNAT1->searchListening()) {
        m_awaitingDevice = true;
        researchTimer.setInterval(DeviceWaitMs);
        return;
    }
    logUnlessRetrying(Text::searchFailed());
    Label6->setText(Text::searchFailedLabel());
    routerLost();
}

void TForm111::refreshInternalClient()
{
    if (!m_clientTyped && !AutoNAT1->LocalIp().isEmpty())
        Edit1->setText(AutoNAT1->LocalIp());
}

void TForm111::afterTask()
{
    if (m_pollWaiting && !AutoNAT1->busy()) {
        m_pollWaiting = false;
        deferredPoll.setInterval(100);
    }
}

void TForm111::pollExternalAddress()
{
    if (!m_routerKnown)
        return;
    // A poll never takes over a running add: the router would get the add,
    // but its answer would be lost.
    if (AutoNAT1->busy()) {
        m_pollWaiting = true;
        return;
    }
    BitBtn4Click();
}

void TForm111::addressesChanged()
{
    m_recovery.searchSoon();
    if (m_routerKnown) {
        pollExternalAddress();
        return;
    }
    // A search or a description under way goes on; otherwise search now.
    if (!AutoNAT1->busy() && !m_awaitingDevice && !Timer1.isRunning())
        researchTimer.setInterval(1000);
}

void TForm111::mappingCheckTimer()
{
    startMappingCheck();
}

void TForm111::startMappingCheck()
{
    if (!m_routerKnown || Timer3.isRunning() || m_checkIndex >= 0 || mappingLines().isEmpty())
        return;
    m_checkIndex = 0;
    m_checkMissing.clear();
    checkStep.setInterval(100);
}

void TForm111::checkStepTimer()
{
    if (AutoNAT1->busy())
        return; // the next tick asks again
    const QStringList lines = mappingLines();
    while (m_checkIndex < lines.size() && !MappingLine::ports(lines.at(m_checkIndex)))
        ++m_checkIndex;
    if (m_checkIndex >= lines.size()) {
        finishMappingCheck();
        return;
    }
    const auto ports = MappingLine::ports(lines.at(m_checkIndex));
    if (AutoNAT1->GetPortMapping(ports->publicPort, ports->protocol))
        checkStep.setInterval(0);
}

void TForm111::onMappingEntry(bool found)
{
    if (m_checkIndex < 0)
        return;
    const QStringList lines = mappingLines();
    const auto ports = MappingLine::ports(lines.value(m_checkIndex));
    if (found) {
        const auto& entry = AutoNAT1->mappingEntry();
        const bool pointsHere = ports && QString::fromLatin1(entry->internalClient) == Edit1->text() &&
                                entry->internalPort == ports->localPort;
        if (!pointsHere)
            m_checkMissing << m_checkIndex;
    } else if (AutoNAT1->fault() && AutoNAT1->fault()->code == NoSuchEntry) {
        m_checkMissing << m_checkIndex;
    } else {
        // No answer, or a router that cannot tell: the address poll watches it.
        m_checkIndex = -1;
        return;
    }
    ++m_checkIndex;
    checkStep.setInterval(100);
}

void TForm111::finishMappingCheck()
{
    checkStep.setInterval(0);
    m_checkIndex = -1;
    if (m_checkMissing.isEmpty())
        return;
    log(Text::mappingsMissing(int(m_checkMissing.size())));
    reapplyLines(m_checkMissing);
}

void TForm111::reapplyLines(const QList<int>& indexes)
{
    BitBtn6Click();
    m_reapplyOnly = indexes;
}

void TForm111::listRouterMappings(std::function<void(const QStringList& lines)> done)
{
    if (!m_routerKnown) {
        done({Text::routerMappingsNoRouter()});
        return;
    }
    if (m_listing->running())
        return;
    m_listing->start([this, done](const RouterMappingList::Result& result) {
        done(RouterMappingList::describe(result, AutoNAT1->LocalIp(), mappingLines()));
    });
}

void TForm111::showRouterMappings()
{
    if (!m_routerMappingsView) {
        m_routerMappingsView = new QPlainTextEdit(this);
        m_routerMappingsView->setWindowFlags(Qt::Window);
        m_routerMappingsView->setWindowTitle(Text::routerMappingsTitle());
        m_routerMappingsView->setReadOnly(true);
        m_routerMappingsView->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_routerMappingsView->resize(520, 260);
    }
    m_routerMappingsView->setPlainText(Text::routerMappingsTitle() + QStringLiteral("..."));
    m_routerMappingsView->show();
    m_routerMappingsView->raise();
    listRouterMappings(
        [this](const QStringList& lines) { m_routerMappingsView->setPlainText(lines.join(u'\n')); });
}
