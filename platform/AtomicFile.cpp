#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString reason(const QString& what, const QString& path, int error)
{
    return QStringLiteral("cannot %1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(error)));
}

bool writeAll(int fd, const QByteArray& data)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// The rename is only durable once the folder itself is on disk.
void syncFolder(const QString& path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// What follows the file's name in its temporary copy's: a name nobody
// gives a backup, so that only our own left-overs are ever taken.
const QByteArray temporaryInfix = ".kelvane-tmp-";

// The characters with which mkstemp replaces "XXXXXX".
bool isTemplateCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

using FileId = std::pair<dev_t, ino_t>;

// Every file that a process this user can look into holds open.
QSet<FileId> openFiles()
{
    QSet<FileId> files;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return files;
    while (const dirent* process = ::readdir(proc)) {
        const QByteArray pid(process->d_name);
        if (pid.isEmpty() ||
            !std::all_of(pid.cbegin(), pid.cend(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const QByteArray fdFolder = "/proc/" + pid + "/fd";
        DIR* fds = ::opendir(fdFolder.constData());
        if (!fds)
            continue;
        while (const dirent* fd = ::readdir(fds)) {
            struct stat info
            {
            };
            if (fd->d_name[0] != '.' && ::stat((fdFolder + '/' + fd->d_name).constData(), &info) == 0)
                files.insert({info.st_dev, info.st_ino});
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return files;
}

} // namespace

WriteResult writeFileAtomically(const QString& path, const QByteArray& data, unsigned permissions,
                                FileSync sync)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary = target + temporaryInfix + "XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return WriteResult::failure(reason(QStringLiteral("create a temporary file for"), path, errno));

    const bool written = ::fchmod(fd, mode_t(permissions)) == 0 && writeAll(fd, data) &&
                         (sync == FileSync::None || ::fsync(fd) == 0);
    const int writeError = errno;
    // Renamed while still open, so that removeStaleTemporaries never takes it
    // for a left-over; fsync has reported any error that close could.
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        const int error = written ? errno : writeError;
        ::close(fd);
        ::unlink(temporary.constData());
        return WriteResult::failure(
            reason(written ? QStringLiteral("replace") : QStringLiteral("write"), path, error));
    }
    ::close(fd);
    if (sync == FileSync::ToDisk)
        syncFolder(path);
    return WriteResult::success();
}

void removeStaleTemporaries(const QStringList& paths)
{
    QList<QByteArray> candidates;
    for (const QString& path : paths) {
        const QFileInfo target(path);
        const QByteArray prefix = QFile::encodeName(target.fileName()) + temporaryInfix;
        const QByteArray folder = QFile::encodeName(target.absolutePath());
        DIR* dir = ::opendir(folder.constData());
        if (!dir)
            continue;
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name.size() != prefix.size() + 6 || !name.startsWith(prefix) ||
                !std::all_of(name.cend() - 6, name.cend(), isTemplateCharacter))
                continue;
            const QByteArray file = folder + '/' + name;
            struct stat info
            {
            };
            if (::lstat(file.constData(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
                candidates.append(file);
        }
        ::closedir(dir);
    }
    if (candidates.isEmpty())
        return;
    const QSet<FileId> open = openFiles();
    for (const QByteArray& file : candidates) {
        struct stat info
        {
        };
        if (::lstat(file.constData(), &info) == 0 && !open.contains({info.st_dev, info.st_ino}))
            ::unlink(file.constData());
    }
}
