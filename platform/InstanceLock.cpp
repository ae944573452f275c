#include "platform/InstanceLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder under the shared temporary folder is only ours when we made it:
// someone else's (or a link to it) could let them hold our lock.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat info
    {
    };
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

// A shared lock, let go at once, is refused only while a copy holds the file's.
bool isHeldAt(const QString& filePath)
{
    const int fd = ::open(QFile::encodeName(filePath).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

} // namespace

FileInstanceLock::~FileInstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString FileInstanceLock::privateFolder()
{
    return QDir::tempPath() + QStringLiteral("/kelvane-") + QString::number(::geteuid());
}

QString FileInstanceLock::nameFor(const QString& settingsFolder)
{
    const QString canonical = QFileInfo(settingsFolder).canonicalFilePath();
    const QString folder = canonical.isEmpty() ? QDir::cleanPath(settingsFolder) : canonical;
    const QByteArray digest = QCryptographicHash::hash(QFile::encodeName(folder), QCryptographicHash::Sha256);
    return QStringLiteral("kelvane-") + QString::fromLatin1(digest.toHex().left(16)) + QStringLiteral(".lock");
}

namespace {

QString ownLockFile(const QString& settingsFolder)
{
    return settingsFolder + QStringLiteral("/kelvane.lock");
}

} // namespace

LockOutcome FileInstanceLock::acquire(const QString& settingsFolder)
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    const LockOutcome own = acquireAt(ownLockFile(settingsFolder));
    if (own != LockOutcome::Undetectable)
        return own;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        const LockOutcome outcome = acquireAt(runtime + u'/' + nameFor(settingsFolder));
        if (outcome != LockOutcome::Undetectable)
            return outcome;
    }
    const QString fallback = privateFolder();
    const QByteArray fallbackPath = QFile::encodeName(fallback);
    if ((::mkdir(fallbackPath.constData(), 0700) != 0 && errno != EEXIST) || !isPrivateFolder(fallbackPath))
        return LockOutcome::Undetectable;
    return acquireAt(fallback + u'/' + nameFor(settingsFolder));
}

bool FileInstanceLock::isHeld(const QString& settingsFolder)
{
    if (isHeldAt(ownLockFile(settingsFolder)))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isHeldAt(runtime + u'/' + nameFor(settingsFolder)))
        return true;
    const QString fallback = privateFolder();
    return isPrivateFolder(QFile::encodeName(fallback)) &&
           isHeldAt(fallback + u'/' + nameFor(settingsFolder));
}

bool FileInstanceLock::record(const QByteArray& text)
{
    return m_fd >= 0 && ::ftruncate(m_fd, 0) == 0 &&
           ::pwrite(m_fd, text.constData(), size_t(text.size()), 0) == text.size();
}

QByteArray FileInstanceLock::recordOf(const QString& settingsFolder)
{
    QFile file(ownLockFile(settingsFolder));
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}

LockOutcome FileInstanceLock::acquireAt(const QString& filePath)
{
    const QByteArray path = QFile::encodeName(filePath);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return LockOutcome::Undetectable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return heldElsewhere ? LockOutcome::HeldElsewhere : LockOutcome::Undetectable;
    }
    m_fd = fd;
    return LockOutcome::Taken;
}
