#include "settings/SettingsLines.h"

QStringList defaultSettingsLines()
{
    QStringList lines{QStringLiteral(" ")};
    padSettingsLines(lines, SettingsLine::Count);
    return lines;
}

void padSettingsLines(QStringList& lines, int count)
{
    while (lines.size() < count)
        lines << QStringLiteral("0");
}
