#pragma once

#include <QString>

enum class LockOutcome
{
    Taken,
    HeldElsewhere, // another copy runs
    Undetectable,  // no lock file could be made: whether another copy runs is unknown
};

// Marks that one copy of the program runs, for the life of the object.
class InstanceLock
{
public:
    virtual ~InstanceLock() = default;
    virtual LockOutcome acquire(const QString& name) = 0;
};

// An exclusive flock on "$XDG_RUNTIME_DIR/<name>", held until destruction.
// Without a usable runtime folder the lock file goes to "kelvane-<uid>" in the
// temporary folder, made 0700 and refused when someone else owns it.
class FileInstanceLock final : public InstanceLock
{
public:
    FileInstanceLock() = default;
    ~FileInstanceLock() override;
    FileInstanceLock(const FileInstanceLock&) = delete;
    FileInstanceLock& operator=(const FileInstanceLock&) = delete;

    LockOutcome acquire(const QString& name) override;

    // The per-user fallback folder.
    static QString privateFolder();
    // One name per settings folder, whatever the language: two copies that
    // share their files exclude each other, copies with files of their own do not.
    static QString nameFor(const QString& settingsFolder);

private:
    LockOutcome acquireIn(const QString& folder, const QString& name);

    int m_fd = -1;
};
