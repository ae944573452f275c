#include "daemon/SingleInstance.h"

#include "platform/InstanceLock.h"
#include "platform/MessageBoxes.h"
#include "messages/Messages.h"

LockOutcome claimSingleInstance(InstanceLock& lock, MessageBoxes& messageBoxes, const QString& title,
                                const QString& settingsFolder)
{
    const LockOutcome outcome = lock.acquire(settingsFolder);
    if (outcome == LockOutcome::HeldElsewhere)
        messageBoxes.show(title, Messages::secondInstance());
    return outcome;
}
