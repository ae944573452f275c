#pragma once

#include "platform/InstanceLock.h"

#include <QString>

class MessageBoxes;

// This copy may run unless another holds the lock of its settings folder
// (HeldElsewhere): the user is then told so, with the title as caption.
LockOutcome claimSingleInstance(InstanceLock& lock, MessageBoxes& messageBoxes, const QString& title,
                                const QString& settingsFolder);
