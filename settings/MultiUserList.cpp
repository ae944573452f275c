#include "settings/MultiUserList.h"

namespace MultiUserList {

QString entryLine(const QString& domain)
{
    return domain + QStringLiteral("$$$********");
}

QString entryDomain(const QString& line)
{
    const qsizetype separator = line.indexOf(QStringLiteral("$$$"));
    return separator < 0 ? QString() : line.left(separator);
}

qsizetype indexOfDomain(const QStringList& lines, const QString& domain)
{
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (entryDomain(lines.at(i)).compare(domain, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace MultiUserList
