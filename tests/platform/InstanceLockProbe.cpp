// Test helper: takes the instance lock of the settings folder <folder>. "try"
// exits at once, 0 when the lock was taken and 1 when refused; "hold" records
// "recorded", prints "locked" and keeps the lock until its standard input closes.
#include "platform/InstanceLock.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc != 3)
        return 2;
    FileInstanceLock lock;
    if (lock.acquire(QString::fromLocal8Bit(argv[1])) == LockOutcome::HeldElsewhere)
        return 1;
    if (std::strcmp(argv[2], "hold") == 0) {
        lock.record("recorded");
        std::puts("locked");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
    }
    return 0;
}
