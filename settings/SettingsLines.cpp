#include "settings/SettingsLines.h"

#include <QDir>

QString settingsFilePath(const QString& programFolder)
{
    return QDir(programFolder).filePath(settingsFileName);
}

QStringList defaultSettingsLines()
{
    QStringList lines{QStringLiteral(" ")};
    padSettingsLines(lines, SettingsLine::Count);
    return lines;
}

bool isOn(const QStringList& lines, int line)
{
    return lines.value(line) == QStringLiteral("1");
}

bool isOff(const QStringList& lines, int line)
{
    return lines.value(line) == QStringLiteral("0");
}

void setOn(QStringList& lines, int line, bool on)
{
    padSettingsLines(lines, line + 1);
    lines[line] = on ? QStringLiteral("1") : QStringLiteral("0");
}

void padSettingsLines(QStringList& lines, int count)
{
    while (lines.size() < count)
        lines << QStringLiteral("0");
}
