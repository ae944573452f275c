#include "app/SingleInstance.h"

#include "platform/InstanceLock.h"
#include "platform/MessageBoxes.h"
#include "ui/Messages.h"

bool claimSingleInstance(InstanceLock& lock, MessageBoxes& messageBoxes, const QString& title)
{
    if (lock.acquire(title))
        return true;
    messageBoxes.show(title, Messages::secondInstance());
    return false;
}
