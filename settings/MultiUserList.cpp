#include "settings/MultiUserList.h"

namespace MultiUserList {

QString entryDomain(const QString& line)
{
    const qsizetype separator = line.indexOf(QStringLiteral("$$$"));
    return separator < 0 ? QString() : line.left(separator);
}

} // namespace MultiUserList
