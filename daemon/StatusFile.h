#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// The running copy's status file: in $XDG_RUNTIME_DIR (else the instance
// lock's private folder), one per settings folder, as the lock is.
QString statusFilePath(const QString& settingsFolder);

// Rewrites the file atomically when its text changes, on a thread of its own
// and without waiting for the disk: the file is made again at every start.
// Only the latest text waiting is written. Removes the file at the end.
class StatusFile
{
public:
    explicit StatusFile(QString path);
    ~StatusFile();
    StatusFile(const StatusFile&) = delete;
    StatusFile& operator=(const StatusFile&) = delete;

    void write(const QString& text);

private:
    void writeWhatComes();

    const QString m_path;
    QString m_handedOver; // the last text given to the writer
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<QByteArray> m_waiting;
    bool m_ending = false;
    bool m_written = false; // a write succeeded: the file is ours to remove
    std::thread m_writer;
};

// `--status`: prints whether a copy runs for these settings and what its
// status file says, making no file or folder; 0 when it runs and every
// server's last login succeeded, 3 when no copy runs, 1 otherwise with the reason.
int printStatus(bool json);
