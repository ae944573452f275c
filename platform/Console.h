#pragma once

#include <QString>

// Writes one UTF-8 line to standard output (or standard error) at once, so that
// a service's journal shows it as it happens.
void printLine(const QString& line);
void printErrorLine(const QString& line);

// Standard output is the systemd journal (JOURNAL_STREAM names it), which
// stamps every line itself and reads a "<N>" priority prefix.
bool standardOutputIsJournal();
