#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <utility>

// Which of a run's lines without a screen reach the journal: events, not the
// chatter of the checks and the router poll that repeat every few seconds.
// Texts come without their time stamp.
class JournalFilter
{
public:
    enum class Channel
    {
        PrimaryLine,   // event-log line 0: the primary session and the checks
        SecondaryLine, // event-log line 1
        AccountLine,   // event-log line 2
        StatusBar,
        History, // appended event-log lines: what happened, once each
        PortMapping,
    };

    // The check's next status, shown in the log and the status bar: `result`
    // when it ends a check that found nothing.
    void expectRoutineCheck(const QString& text, bool result);
    // The lines to print for this one: none, it, or a router poll held back
    // until its end showed that it brought news.
    QStringList take(Channel channel, const QString& text, bool warning);
    // The checks and router polls that brought no news since the last call.
    struct Quiet
    {
        int checks = 0;
        int polls = 0;
    };
    Quiet takeQuiet() { return std::exchange(m_quiet, {}); }

private:
    QStringList takeStatus(Channel channel, const QString& text);
    QStringList takeHistory(const QString& text, bool warning);
    QStringList takePortMapping(const QString& text);
    QStringList endPoll(const QString& outcome);

    // What each status channel printed since the last event: a status that
    // comes back (a resend, the next check) says nothing new.
    QHash<Channel, QSet<QString>> m_shown;
    QString m_lastWarning; // of the history

    QString m_routineCheck;
    bool m_routineCheckIsResult = false;
    bool m_checkShown = false; // one quiet check was printed since the last event
    Quiet m_quiet;

    QStringList m_poll; // the lines of a router poll under way
    QString m_lastPollOutcome;
    bool m_lastPollPrinted = false;
};
