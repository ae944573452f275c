#pragma once

#include <QString>

// Marks that one copy of the program runs, for the life of the object.
class InstanceLock
{
public:
    virtual ~InstanceLock() = default;
    // False when another process holds a lock of the same name.
    virtual bool acquire(const QString& name) = 0;
};

// An exclusive flock on "$XDG_RUNTIME_DIR/<name>" (else /tmp/<name>), held until destruction.
class FileInstanceLock final : public InstanceLock
{
public:
    FileInstanceLock() = default;
    ~FileInstanceLock() override;
    FileInstanceLock(const FileInstanceLock&) = delete;
    FileInstanceLock& operator=(const FileInstanceLock&) = delete;

    bool acquire(const QString& name) override;

private:
    int m_fd = -1;
};
