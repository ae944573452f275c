// The mappings themselves: the user's add or delete, and the loop that
// applies every stored line again, one add at a time.

#include "portmap/MappingKeeper.h"

#include "messages/Messages.h"
#include "messages/PortMappingMessages.h"
#include "settings/InputRules.h"

#include <utility>

namespace Text = Messages::PortMapping;

void MappingKeeper::execute(const Request& request)
{
    routerPollTimer.setInterval(0);
    setOutcome({});
    setEnabled(false, m_reapplyEnabled);
    const auto publicPort = MappingLine::port(request.publicPort);
    const auto localPort = MappingLine::port(request.localPort);
    const QString line = MappingLine::make(m_externalAddress, request.publicPort.trimmed(), request.protocol,
                                           request.internalClient, request.localPort.trimmed());
    const bool adds = request.action == Action::Add;
    if (!publicPort || !localPort) {
        log(Text::portNotANumber());
    } else if (!InputRules::mappingLineProblem(line).isEmpty()) {
        log(Text::mappingInvalid());
    } else if (adds && !m_lines.contains(line) &&
               !InputRules::listSizeProblem(m_lines.size() + 1).isEmpty()) {
        log(Text::listTooLong(InputRules::maxListLines));
    } else {
        const MappingLine::Ports mapping{request.protocol, *publicPort, *localPort, request.internalClient};
        if (adds) {
            m_heldByOthers.remove(MappingLine::key(mapping));
            addMapping(mapping, request.internalClient, line, AddUnderWay::Origin::User);
        } else if (QStringList lines = m_lines; lines.removeAll(line) > 0) {
            setStoredLines(lines);
            deleteMapping(mapping, line);
            saveList();
        }
    }
    routerPollTimer.setInterval(11110);
}

void MappingKeeper::addMapping(const MappingLine::Ports& mapping, const QString& internalClient,
                               const QString& line, AddUnderWay::Origin origin)
{
    if (m_router && !m_add) {
        // Set first: a router may answer before the call returns.
        m_add = AddUnderWay{mapping, line, origin};
        if (m_router->add(mapping, internalClient, m_internalClient))
            return;
        m_add.reset();
    }
    log(Text::addNotStarted());
    // The loop goes on with the next line; this one waits for the 5-minute check.
    if (origin == AddUnderWay::Origin::Loop)
        m_reapply.state = ReapplyState::Ready;
}

void MappingKeeper::deleteMapping(const MappingLine::Ports& mapping, const QString& line)
{
    if (m_router && m_router->remove(mapping)) {
        m_runningDelete = line;
        log(Text::deleteStarted());
    } else {
        log(Text::deleteNotStarted());
    }
}

void MappingKeeper::onAddEnded(const RouterMapper::AddResult& result)
{
    using Kind = RouterMapper::AddResult::Kind;
    if (!m_add)
        return;
    const MappingLine::Ports mapping = m_add->mapping;
    switch (result.kind) {
    case Kind::Added:
        m_heldByOthers.remove(MappingLine::key(mapping));
        endAddAttempt(result);
        break;
    case Kind::Refused:
    case Kind::Failed:
        endAddAttempt(result);
        break;
    case Kind::HeldByOther:
        portHeld(result.holder, result.text);
        break;
    case Kind::OtherPortOffered: {
        // The port asked for is another host's then, and the one given is let
        // go, unless it is a line of the list itself (a router that keeps one
        // mapping per local port).
        const MappingLine::Ports given{mapping.protocol, result.offeredPort, mapping.localPort, {}};
        if (!storedLine(given))
            m_router->release(given);
        portHeld(QString::number(result.offeredPort),
                 Messages::portTaken(m_language, mapping.publicPort, mapping.protocol, result.offeredPort));
        break;
    }
    case Kind::NotStarted:
        log(Text::addNotStarted());
        if (std::exchange(m_add, std::nullopt)->ofTheLoop())
            m_reapply.state = ReapplyState::Ready;
        break;
    case Kind::Abandoned:
        // The list goes back once a router answers.
        m_add.reset();
        reapplyTimer.setInterval(0);
        endAdd();
        break;
    }
}

void MappingKeeper::endAddAttempt(const RouterMapper::AddResult& result)
{
    const AddUnderWay add = *std::exchange(m_add, std::nullopt);
    if (result.kind != RouterMapper::AddResult::Kind::Added) {
        showAddRefusal(result, add.line);
        endAdd();
        if (add.ofTheLoop() && !result.answered)
            retryUnansweredAdd();
        return;
    }
    log(QString());
    log(Text::portAdded());
    if (add.byUser() && !m_lines.contains(add.line)) {
        setStoredLines(m_lines + QStringList{add.line});
        saveList();
    }
    emit mappingAdded(add.line);
    setOutcome({MappingOutcome::Kind::Added, 0, {}});
    endAdd();
}

void MappingKeeper::endAdd()
{
    setEnabled(true, true);
    m_reapply.state = ReapplyState::Ready;
}

// The router's own words on a refused add go where the user looks.
void MappingKeeper::showAddRefusal(const RouterMapper::AddResult& result, const QString& line)
{
    if (result.kind != RouterMapper::AddResult::Kind::Refused) {
        log(Text::addFailed());
        setOutcome({MappingOutcome::Kind::Failed, 0, {}});
        return;
    }
    log(Text::addRefused(result.code, result.text));
    setOutcome({MappingOutcome::Kind::Refused, result.code, result.text});
    emit addRefused(Text::addRefusedLabel(result.code, result.text).trimmed());
    emit mappingRefused(line, result.reason);
}

void MappingKeeper::onDeleteEnded(bool succeeded)
{
    if (m_withdrawal.underWay && !m_withdrawal.underWay->asking) {
        withdrawalStepEnded(succeeded);
        return;
    }
    if (succeeded) {
        log(QString());
        log(Text::portDeleted());
        emit mappingDeleted(m_runningDelete);
    } else {
        log(Text::deleteFailed());
    }
    setEnabled(true, m_reapplyEnabled);
}

void MappingKeeper::reapplyAll()
{
    if (m_withdrawal.inProgress())
        return;
    m_withdrawal = {};
    m_heldByOthers.clear();
    startReapply();
}

void MappingKeeper::startReapply()
{
    // Taken off the router by the user: as if there were no list.
    if (m_lines.isEmpty() || m_withdrawal.keepsListOff()) {
        routerPollTimer.setInterval(1000);
        return;
    }
    setOutcome({});
    m_reapply.restart();
    setEnabled(false, false);
    reapplyTimer.setInterval(1000);
}

// Each line is applied with its own ports and protocol, towards this
// machine's address and with the router's current external address.
void MappingKeeper::reapplyNext()
{
    // The previous add, the user's, or another task of the router has not ended yet.
    if (m_reapply.state != ReapplyState::Ready || m_add || (m_router && m_router->busy()))
        return;
    while (m_reapply.next < m_lines.size() && m_reapply.skips(m_reapply.next))
        ++m_reapply.next;
    if (m_reapply.next >= m_lines.size()) {
        finishReapplyStep();
        return;
    }
    const int index = m_reapply.next;
    const QString line = m_lines.at(index);
    const auto mapping = MappingLine::ports(line);
    if (!mapping) {
        log(Text::notAMappingLineSkipped(line));
        finishReapplyStep();
        return;
    }
    // Said once already; the 5-minute check sees when the other host lets go.
    if (m_heldByOthers.contains(MappingLine::key(*mapping))) {
        finishReapplyStep();
        return;
    }
    m_reapply.state = ReapplyState::Adding;
    // The list shows the addresses in use; the file keeps its text until the user's next change.
    QStringList lines = m_lines;
    const QString publicPort = QString::number(mapping->publicPort);
    lines[index] = MappingLine::make(m_externalAddress, publicPort, mapping->protocol, m_internalClient,
                                     QString::number(mapping->localPort));
    setStoredLines(lines);
    setEnabled(m_executeEnabled, false);
    m_reapply.watch(index);
    addMapping(*mapping, m_internalClient, lines.at(index), AddUnderWay::Origin::Loop);
    finishReapplyStep();
}

void MappingKeeper::finishReapplyStep()
{
    ++m_reapply.next;
    if (m_reapply.next < m_lines.size())
        return;
    reapplyTimer.setInterval(0);
    m_reapply.only.reset();
    routerPollTimer.setInterval(1000);
}

// An add of the loop that got no answer at all (the router did not take the
// connection in time, or never answered) is tried once more, then skipped.
void MappingKeeper::retryUnansweredAdd()
{
    // A run started since (a new external address) takes every line anyway.
    if (m_reapply.watched < 0)
        return;
    const QString line = m_lines.value(m_reapply.watched);
    if (m_reapply.retried) {
        log(Text::addUnfinishedSkipped(line));
        return;
    }
    log(Text::addUnfinishedRetried(line));
    m_reapply.retried = true;
    m_reapply.next = m_reapply.watched;
    reapplyTimer.setInterval(1000);
}

void MappingKeeper::reapplyDaily()
{
    if (m_externalAddress != QStringLiteral("0.0.0.0") && !reapplyTimer.isRunning())
        startReapply();
}
