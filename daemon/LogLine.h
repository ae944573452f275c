#pragma once

#include "messages/LanguageCode.h"

#include <QString>

// syslog priorities, as the journal reads them from a "<N>" prefix.
enum class LogPriority
{
    Error = 3,
    Warning = 4,
    Information = 6,
};

// The text without the time (and date) that the program's own lines begin
// with: a log line carries one time stamp, the log's.
QString withoutLeadingTime(const QString& text);

// A line with no letter or digit tells a reader nothing.
bool saysNothing(const QString& text);

// Warnings are lines holding the text of a refused or failed login, of a lost
// public address or of a failed router exchange; every other line is information.
LogPriority priorityOf(const QString& text, LanguageCode language);

// The text as one line of a log: a line feed shows as the two characters \n,
// every other C0 control character and DEL as \xHH, so that no text (a domain
// from the network, a face's status) starts a line of its own or moves a
// terminal's cursor.
QString withControlsEscaped(const QString& text);
