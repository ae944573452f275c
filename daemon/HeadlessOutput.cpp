#include "daemon/HeadlessOutput.h"

#include "messages/Messages.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "platform/PageAddress.h"

#include <algorithm>

namespace {

using Channel = JournalFilter::Channel;

Channel channelOfLine(int index)
{
    switch (index) {
    case 0:
        return Channel::PrimaryLine;
    case 1:
        return Channel::SecondaryLine;
    case 2:
        return Channel::AccountLine;
    default:
        return Channel::History;
    }
}

} // namespace

HeadlessOutput::HeadlessOutput(bool journal, LanguageCode language, Clock& clock,
                               std::function<void(const QString&)> printOut)
    : summaryTimer(clock, [this] { saySummary(); }), unansweredTimer(clock, [this] { sayUnanswered(); }),
      m_journal(journal), m_language(language), m_clock(clock), m_printOut(std::move(printOut))
{
    summaryTimer.setInterval(summaryMs);
}

void HeadlessOutput::eventLogLine(int index, const QString& text)
{
    take(channelOfLine(index), text);
}

void HeadlessOutput::statusBar(const QString& text)
{
    take(Channel::StatusBar, text);
}

void HeadlessOutput::portMappingLine(const QString& text)
{
    take(Channel::PortMapping, text);
}

void HeadlessOutput::take(Channel channel, const QString& text)
{
    const QString bare = withoutLeadingTime(text);
    if (saysNothing(bare))
        return;
    const LogPriority priority = priorityOf(text, m_language);
    for (const QString& line : m_filter.take(channel, bare, priority == LogPriority::Warning)) {
        if (channel == Channel::PortMapping) {
            print(priorityOf(line, m_language), QStringLiteral("[port mapping] ") + line);
            continue;
        }
        if (line == m_lastPrinted)
            continue;
        m_lastPrinted = line;
        // Both servers' statuses read alike in some languages.
        const bool secondary = channel == Channel::SecondaryLine;
        const bool ofServer = secondary || channel == Channel::PrimaryLine || channel == Channel::StatusBar;
        print(priority,
              ofServer ? u'[' + Messages::dnsServerName(m_language, secondary) + QStringLiteral("] ") + line
                       : line);
    }
}

void HeadlessOutput::checkStatus(Messages::CheckStatus status, const QString& text)
{
    using Messages::CheckStatus;
    switch (status) {
    case CheckStatus::ServerCheckStarted:
    case CheckStatus::LoopbackReceived:
    case CheckStatus::InternalCheckSent:
        m_filter.expectRoutineCheck(withoutLeadingTime(text), /*result=*/false);
        break;
    case CheckStatus::ServerCheckNoChange:
    case CheckStatus::LocalCheckTick:
    case CheckStatus::ConfirmationMatches:
        m_filter.expectRoutineCheck(withoutLeadingTime(text), /*result=*/true);
        break;
    case CheckStatus::LocalCheckChangeFound:
    case CheckStatus::InternalCheckNotSent:
        break;
    }
}

void HeadlessOutput::loginSent(bool secondary)
{
    Waiting& waiting = m_waiting[secondary];
    if (waiting.since.isValid())
        return;
    waiting.since = m_clock.now();
    if (!unansweredTimer.isRunning())
        unansweredTimer.setInterval(noAnswerAfterMs);
}

void HeadlessOutput::loginAnswered(bool secondary)
{
    Waiting& waiting = m_waiting[secondary];
    if (waiting.said)
        print(LogPriority::Information,
              Messages::answersAgain(m_language, Messages::dnsServerName(m_language, secondary)));
    waiting = {};
}

void HeadlessOutput::sayUnanswered()
{
    unansweredTimer.setInterval(0);
    const QDateTime now = m_clock.now();
    qint64 nextDueMs = 0;
    for (const bool secondary : {false, true}) {
        Waiting& waiting = m_waiting[secondary];
        if (!waiting.since.isValid() || waiting.said)
            continue;
        const qint64 waitedMs = waiting.since.msecsTo(now);
        if (waitedMs < noAnswerAfterMs) {
            const qint64 dueMs = noAnswerAfterMs - waitedMs;
            nextDueMs = nextDueMs == 0 ? dueMs : std::min(nextDueMs, dueMs);
            continue;
        }
        waiting.said = true;
        print(LogPriority::Warning,
              Messages::noAnswerSince(m_language, Messages::dnsServerName(m_language, secondary),
                                      waiting.since.toString(QStringLiteral("HH:mm"))));
    }
    if (nextDueMs > 0)
        unansweredTimer.setInterval(int(nextDueMs));
}

void HeadlessOutput::saySummary()
{
    const JournalFilter::Quiet quiet = m_filter.takeQuiet();
    if (quiet.checks > 0 || quiet.polls > 0)
        print(LogPriority::Information, Messages::unchangedSummary(m_language, quiet.checks, quiet.polls));
}

void HeadlessOutput::page(const QString& url)
{
    print(LogPriority::Information, QStringLiteral("page: ") + pageAddressForLog(url));
}

void HeadlessOutput::error(const QString& text)
{
    const QString line = withControlsEscaped(text);
    printErrorLine(m_journal ? QStringLiteral("<%1>").arg(int(LogPriority::Error)) + line : line);
}

void HeadlessOutput::print(LogPriority priority, const QString& text)
{
    const QString line = withControlsEscaped(text);
    if (m_journal)
        m_printOut(QStringLiteral("<%1>").arg(int(priority)) + line);
    else
        m_printOut(m_clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + line);
}
