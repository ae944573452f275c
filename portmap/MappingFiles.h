#pragma once

#include <QString>

struct ProgramFolderChoice;

// Where the port mappings' files live: in the program folder of an installed
// copy, else in the folder the program was started from.
namespace MappingFiles {

QString folder(const ProgramFolderChoice& programFolder);
// "jilu.txt", the stored mapping list.
QString listPath(const QString& folder);
// "shijian.txt", the automatic address check's interval in seconds.
QString intervalPath(const QString& folder);

} // namespace MappingFiles
