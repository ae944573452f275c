#include "portmap/MappingFiles.h"

#include "platform/ProgramFolder.h"

#include <QDir>

namespace MappingFiles {

QString folder(const ProgramFolderChoice& programFolder)
{
    return programFolder.installed ? programFolder.folder : QDir::currentPath();
}

QString listPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("jilu.txt"));
}

QString intervalPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("shijian.txt"));
}

} // namespace MappingFiles
