#pragma once

#include <QObject>
#include <QStringList>

class Clock;

// What the engine reports: the event log (lines 0 to 2 overwritten in place,
// history lines appended after them) and the status bar's first panel. A
// window shows these; a run without windows prints them.
class EventLogLines : public QObject
{
    Q_OBJECT

public:
    explicit EventLogLines(const Clock& clock, QObject* parent = nullptr);

    const QStringList& lines() const { return m_lines; }
    QString line(int index) const { return m_lines.value(index); }
    QString status() const { return m_status; }

    // Replaces line `index`, adding empty lines first when the log is shorter.
    void setLine(int index, const QString& text);
    void appendLine(const QString& text);
    // A history line: date and time, then the text.
    void appendHistory(const QString& text);
    void setStatus(const QString& text);

    QString timeOfDay() const;
    QString today() const;

signals:
    void logLineSet(int index, const QString& text);
    void logLineAppended(const QString& text);
    void statusChanged(const QString& text);

private:
    const Clock& m_clock;
    QStringList m_lines;
    QString m_status;
};
