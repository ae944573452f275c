#pragma once

#include <QString>
#include <QStringList>

// Why the input rules refuse what a user typed, in the words the user is
// shown; empty when it is admitted. The engine and a window that checks its
// own fields say the same.
namespace InputRefusals {

QString login(const QString& domain, const QString& password, int languageId);
// A whole mapping list, as the user edited it.
QString mappingList(const QStringList& lines);

} // namespace InputRefusals
