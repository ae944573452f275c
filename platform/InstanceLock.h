#pragma once

#include <QByteArray>
#include <QString>

enum class LockOutcome
{
    Taken,
    HeldElsewhere, // another copy runs
    Undetectable,  // no lock file could be made: whether another copy runs is unknown
};

// Marks that one copy of the program runs with the settings in a folder, for
// the life of the object.
class InstanceLock
{
public:
    virtual ~InstanceLock() = default;
    virtual LockOutcome acquire(const QString& settingsFolder) = 0;
};

// An exclusive flock on "kelvane.lock" in the settings folder itself, so that
// every copy of this user on these files finds it, whatever its environment,
// held until destruction. When no file can be made there, the lock file goes
// to "$XDG_RUNTIME_DIR", else to "kelvane-<uid>" in the temporary folder, made
// 0700 and refused when someone else owns it.
class FileInstanceLock final : public InstanceLock
{
public:
    FileInstanceLock() = default;
    ~FileInstanceLock() override;
    FileInstanceLock(const FileInstanceLock&) = delete;
    FileInstanceLock& operator=(const FileInstanceLock&) = delete;

    LockOutcome acquire(const QString& settingsFolder) override;
    // Leaves `text` in the held lock file for other copies to read.
    bool record(const QByteArray& text);
    // What the copy holding the lock of `settingsFolder` recorded.
    static QByteArray recordOf(const QString& settingsFolder);
    // Whether a copy holds the lock of `settingsFolder`, wherever it took it;
    // makes no file or folder.
    static bool isHeld(const QString& settingsFolder);

    // The per-user fallback folder.
    static QString privateFolder();
    // The fallback lock file's name: one per settings folder, whatever the
    // language, so that copies with files of their own do not exclude each other.
    static QString nameFor(const QString& settingsFolder);

private:
    LockOutcome acquireAt(const QString& path);

    int m_fd = -1;
};
