#include "ui/TimeStamps.h"

// Drops the time-zone fields ("t" to "tttt") that Qt puts into long formats;
// a quoted literal is kept as it is.
static QString withoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        out += c;
    }
    return out.trimmed();
}

QString longTime(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString shortDate(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when.date(), QLocale::ShortFormat);
}
