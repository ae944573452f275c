#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Time of day in the locale's long time format, without the time zone.
QString longTime(const QDateTime& when, const QLocale& locale = QLocale());

// Date in the locale's short date format.
QString shortDate(const QDateTime& when, const QLocale& locale = QLocale());
