#pragma once

#include <QString>

#include <utility>

// The running copy's status file: in $XDG_RUNTIME_DIR (else the instance
// lock's private folder), one per settings folder, as the lock is.
QString statusFilePath(const QString& settingsFolder);

// Rewrites the file atomically when its text changes; removes it at the end.
class StatusFile
{
public:
    explicit StatusFile(QString path) : m_path(std::move(path)) {}
    ~StatusFile();
    StatusFile(const StatusFile&) = delete;
    StatusFile& operator=(const StatusFile&) = delete;

    void write(const QString& text);

private:
    QString m_path;
    QString m_written;
};

// `kelvane --status`: prints whether a copy runs for these settings and what
// its status file says; 0 when it runs and its last logins succeeded, 1 when
// one failed, 3 when no copy runs.
int printStatus();
