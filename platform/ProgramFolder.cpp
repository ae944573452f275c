#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

QString programFolder()
{
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    if (!executable.isEmpty())
        return QFileInfo(executable).absolutePath();
    return QCoreApplication::applicationDirPath();
}
