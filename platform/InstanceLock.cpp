#include "platform/InstanceLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FileInstanceLock::~FileInstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileInstanceLock::acquire(const QString& name)
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QStringLiteral("/tmp");
    const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + name);
    // O_NOFOLLOW: in a shared /tmp someone else may have planted a link.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    // Only a lock held elsewhere means "already running"; a lock file that
    // cannot be made must not keep the program from starting at all.
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldElsewhere;
    }
    m_fd = fd;
    return true;
}
