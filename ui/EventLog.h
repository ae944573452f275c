#pragma once

#include <QPlainTextEdit>

// The read-only event log: lines 0 to 2 are status lines overwritten in place,
// history lines are appended after them. Laid out right to left: text
// right-aligned, vertical scroll bar on the left.
class EventLog : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit EventLog(QWidget* parent = nullptr);

    int lineCount() const;
    QString line(int index) const;
    // Replaces line `index`, adding empty lines first when the log is shorter.
    void setLine(int index, const QString& text);
    void appendLine(const QString& text);

signals:
    // Every text written, status (index 0 to 2) or history, for a log without a screen.
    void lineWritten(int index, const QString& text);
};
