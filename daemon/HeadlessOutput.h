#pragma once

#include "daemon/JournalFilter.h"
#include "daemon/LogLine.h"
#include "messages/Messages.h"
#include "platform/Console.h"
#include "platform/Timer.h"

#include <QDateTime>

#include <functional>

class Clock;

// What a run without a screen prints: one line per event, one time stamp per
// line (none of its own under the journal, which stamps lines itself, but a
// priority prefix), no line that says nothing, and nothing said again that has
// not changed (JournalFilter): the quiet checks and router polls are counted
// in one line an hour, a server that stops answering is said once after a
// minute and once when it answers again.
class HeadlessOutput
{
public:
    static constexpr int summaryMs = 3600 * 1000;
    static constexpr int noAnswerAfterMs = 60 * 1000;

    // `printOut` writes one line to standard output.
    HeadlessOutput(bool journal, LanguageCode language, Clock& clock,
                   std::function<void(const QString&)> printOut = printLine);

    // Event-log lines 0 to 2 are statuses overwritten in place, later ones history.
    void eventLogLine(int index, const QString& text);
    void statusBar(const QString& text);
    void portMappingLine(const QString& text);
    void page(const QString& url);
    void error(const QString& text);

    // The check's next status, about to be shown.
    void checkStatus(Messages::CheckStatus status, const QString& text);
    void loginSent(bool secondary);
    void loginAnswered(bool secondary);

    // Says which server has left a send unanswered for a minute, once.
    void sayUnanswered();
    void saySummary();

    Timer summaryTimer;
    Timer unansweredTimer;

private:
    struct Waiting
    {
        QDateTime since; // of the first send nobody answered
        bool said = false;
    };

    void take(JournalFilter::Channel channel, const QString& text);
    void print(LogPriority priority, const QString& text);

    bool m_journal;
    LanguageCode m_language;
    const Clock& m_clock;
    std::function<void(const QString&)> m_printOut;
    JournalFilter m_filter;
    QString m_lastPrinted; // a status shown in the status bar and in the log at once is said once
    Waiting m_waiting[2];  // primary, secondary
};
