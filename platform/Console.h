#pragma once

#include <QString>

// Writes one UTF-8 line to standard output (or standard error) at once, so that
// a service's journal shows it as it happens.
void printLine(const QString& line);
void printErrorLine(const QString& line);

// A line on standard error that the next one overwrites, shown only when
// standard error is a terminal: progress that a log or a pipe is spared.
// An empty text clears it.
void printProgress(const QString& text);

// Standard output is the systemd journal (JOURNAL_STREAM names it), which
// stamps every line itself and reads a "<N>" priority prefix.
bool standardOutputIsJournal();

// Reads one line from standard input, without its line end; nothing read
// gives an empty text. On a terminal it first writes `prompt` to standard
// error and does not echo what is typed. The echo comes back when the line is
// read, and also when SIGINT (Ctrl-C), SIGTERM, SIGQUIT or SIGHUP ends the
// program meanwhile; a signal the program ignores stays ignored.
QString readLineWithoutEcho(const QString& prompt);
