#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

// Pages that a reply opens in the browser: the same kind of page at most once
// in ten seconds, so that a repeated or forged reply cannot pile up tabs.
class PageThrottle
{
public:
    static constexpr qint64 windowSeconds = 10;

    // True (and noted) when no page of this kind was opened in the last 10 s.
    bool allow(const QString& kind, const QDateTime& now);

private:
    QHash<QString, QDateTime> m_lastOpened;
};
