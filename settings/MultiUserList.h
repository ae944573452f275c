#pragma once

#include <QString>
#include <QStringList>

// Lines of the multi-user list ("vkldomain.ini"): a domain, "$$$", then a mask.
// The password itself is never written to the file.
namespace MultiUserList {

// The domain as typed, "$$$", then eight asterisks.
QString entryLine(const QString& domain);

// The text before the first "$$$"; nothing for a line without it.
QString entryDomain(const QString& line);

// The first line whose domain equals `domain` without regard to letter case, or -1.
qsizetype indexOfDomain(const QStringList& lines, const QString& domain);

} // namespace MultiUserList
