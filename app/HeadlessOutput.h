#pragma once

#include "app/LogLine.h"

#include <QHash>
#include <QString>

// What a run without a screen prints: one line per event, one time stamp per
// line (none of its own under the journal, which stamps lines itself, but a
// priority prefix), no line that says nothing, and a status only when it
// changes (the address check repeats its status every few seconds).
class HeadlessOutput
{
public:
    HeadlessOutput(bool journal, LanguageCode language);

    // Event-log lines 0 to 2 are statuses overwritten in place.
    void eventLogLine(int index, const QString& text);
    void statusBar(const QString& text);
    void portMappingLine(const QString& text);
    void page(const QString& url);
    void error(const QString& text);

private:
    void status(int channel, const QString& text);
    void event(const QString& text);
    void print(LogPriority priority, const QString& text);

    bool m_journal;
    LanguageCode m_language;
    QHash<int, QString> m_statuses; // by channel, without their time
    QString m_lastPrinted;
};
