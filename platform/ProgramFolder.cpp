#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

QString programPath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString programFolder()
{
    const QString executable = programPath();
    if (!executable.isEmpty())
        return QFileInfo(executable).absolutePath();
    return QCoreApplication::applicationDirPath();
}

QString dataHome()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (!configured.isEmpty())
        return configured;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

namespace {

// Root may write anywhere, so an installation is told by its prefix as well.
bool isInstalledLocation(const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    return path == QStringLiteral("/usr") || path.startsWith(QStringLiteral("/usr/")) ||
           ::access(QFile::encodeName(path).constData(), W_OK) != 0;
}

QString reasonFor(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString dataFolder(const QString& dataHome)
{
    return QDir::cleanPath(dataHome + QStringLiteral("/kelvane"));
}

} // namespace

ProgramFolderChoice chooseProgramFolder(const QString& executableFolder, const QString& dataHome)
{
    if (!isInstalledLocation(executableFolder))
        return {executableFolder, false, {}};
    const QString folder = dataFolder(dataHome);
    if (!QDir().mkpath(QFileInfo(folder).absolutePath()))
        return {folder, true, reasonFor(errno)};
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return {folder, true, reasonFor(errno)};
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return {folder, true, reasonFor(errno)};
    return {folder, true, {}};
}

ProgramFolderChoice findProgramFolder(const QString& executableFolder, const QString& dataHome)
{
    if (!isInstalledLocation(executableFolder))
        return {executableFolder, false, {}};
    const QString folder = dataFolder(dataHome);
    if (::access(QFile::encodeName(folder).constData(), X_OK) != 0 && errno != ENOENT)
        return {folder, true, reasonFor(errno)};
    return {folder, true, {}};
}
