#include "messages/TimeStamps.h"

namespace {

bool isTimeField(QChar c)
{
    return c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u'a' || c == u'A' || c == u'p' ||
           c == u'P';
}

// Keeps the hour, minute, second and AM/PM fields of a locale's long time
// format and the literal text between them; the time zone and anything else
// goes, with the brackets that held it. Qt 6.4 has no day-period field "B" and
// would print it as a letter: it becomes AM/PM.
QString clockFormat(const QString& format)
{
    QString out;
    QString pendingLiteral;
    bool seenField = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            const qsizetype end = format.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? format.size() : end + 1;
            pendingLiteral += format.mid(i, stop - i);
            i = stop;
            continue;
        }
        qsizetype run = i;
        while (run < format.size() && format.at(run) == c)
            ++run;
        const QString field = format.mid(i, run - i);
        i = run;
        if (isTimeField(c) || c == u'B') {
            if (seenField)
                out += pendingLiteral;
            pendingLiteral.clear();
            out += c == u'B' ? QStringLiteral("AP") : field;
            seenField = true;
        } else if (!(c.isLetter() && c.unicode() < 0x80) && c != u'[' && c != u']' && c != u'(' &&
                   c != u')') {
            pendingLiteral += field;
        }
    }
    // A unit word after the seconds ("초") stays; a blank does not.
    const QString tail = pendingLiteral.trimmed();
    if (!tail.isEmpty() && !tail.contains(u' '))
        out += tail;
    return out.trimmed();
}

} // namespace

QString longTime(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when.time(), clockFormat(locale.timeFormat(QLocale::LongFormat)));
}

QString shortDate(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when.date(), QLocale::ShortFormat);
}
