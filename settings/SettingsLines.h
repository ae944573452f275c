#pragma once

#include <QStringList>

// The settings file, in the program folder.
inline const QString settingsFileName = QStringLiteral("vkl.ini");
QString settingsFilePath(const QString& programFolder);

// The lines of "vkl.ini", by number.
namespace SettingsLine {
constexpr int Credentials = 0;  // tail of the saved credentials
constexpr int MultiUser = 1;    // "1" multi-user login on
constexpr int ResolveLocal = 2; // "1" resolve the domain to this machine's local address
constexpr int RunHidden = 3;    // "1" run-hidden option ticked; not read back
constexpr int AccountType = 5;  // "6" after a paying user's success reply
constexpr int Count = 7;
} // namespace SettingsLine

// Content of "vkl.ini" when it does not exist: a single blank, then six "0".
QStringList defaultSettingsLines();

// Appends "0" lines until there are at least `count`.
void padSettingsLines(QStringList& lines, int count);

// An option line is on when it holds exactly "1"; a missing line is off.
bool isOn(const QStringList& lines, int line);

// The multi-user pass stops only at an explicit "0": a hand-edited line
// such as "x" keeps it going, as it always has.
bool isOff(const QStringList& lines, int line);

// Writes "1" or "0", padding the lines first.
void setOn(QStringList& lines, int line, bool on);
