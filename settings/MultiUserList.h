#pragma once

#include <QString>

// Lines of the multi-user list ("vkldomain.ini"): a domain, "$$$", then a mask.
namespace MultiUserList {

// The text before the first "$$$"; nothing for a line without it.
QString entryDomain(const QString& line);

} // namespace MultiUserList
