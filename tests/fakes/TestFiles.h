#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Small file helpers shared by the tests.

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Makes every write beyond `bytes` fail half-way with EFBIG while it lives;
// unlike a read-only folder, this holds for root too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
};

// Makes `files` unreadable to this process while it lives. Root reads any file,
// so as root the process takes the user "nobody" for the time and hands it
// `folder`; otherwise the files lose their read permission.
class UnreadableFiles
{
public:
    UnreadableFiles(const QString& folder, const QStringList& files) : m_folder(folder), m_files(files)
    {
        if (::geteuid() == 0) {
            m_droppedRoot = ::chown(QFile::encodeName(folder).constData(), kNobody, kNobody) == 0 &&
                            ::seteuid(kNobody) == 0;
        } else {
            for (const QString& file : files)
                QFile::setPermissions(file, {});
        }
    }
    ~UnreadableFiles()
    {
        if (m_droppedRoot) {
            // Handing the temporary folder back is all that is left to do.
            [[maybe_unused]] const bool root = ::seteuid(0) == 0;
            [[maybe_unused]] const bool handedBack = ::chown(QFile::encodeName(m_folder).constData(), 0, 0) == 0;
        } else {
            for (const QString& file : m_files)
                QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }
    UnreadableFiles(const UnreadableFiles&) = delete;
    UnreadableFiles& operator=(const UnreadableFiles&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    QString m_folder;
    QStringList m_files;
    bool m_droppedRoot = false;
};
