#include "registration/EventLogLines.h"

#include "messages/Messages.h"
#include "messages/TimeStamps.h"
#include "platform/Clock.h"

EventLogLines::EventLogLines(const Clock& clock, QObject* parent)
    : QObject(parent), m_clock(clock), m_lines{Messages::initial(), QString(), QString()}
{
}

void EventLogLines::setLine(int index, const QString& text)
{
    while (m_lines.size() <= index)
        m_lines.append(QString());
    m_lines[index] = text;
    emit logLineSet(index, text);
}

void EventLogLines::appendLine(const QString& text)
{
    m_lines.append(text);
    emit logLineAppended(text);
}

void EventLogLines::appendHistory(const QString& text)
{
    appendLine(today() + u' ' + timeOfDay() + u' ' + text);
}

void EventLogLines::setStatus(const QString& text)
{
    m_status = text;
    emit statusChanged(text);
}

QString EventLogLines::timeOfDay() const
{
    return longTime(m_clock.now());
}

QString EventLogLines::today() const
{
    return shortDate(m_clock.now());
}
