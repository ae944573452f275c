#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Time of day from the locale's long time format: its hour, minute, second and
// AM/PM fields only.
QString longTime(const QDateTime& when, const QLocale& locale = QLocale());

// Date in the locale's short date format.
QString shortDate(const QDateTime& when, const QLocale& locale = QLocale());
