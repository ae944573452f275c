#pragma once

#include "platform/InstanceLock.h"

#include <QString>

class MessageBoxes;

// This copy may run unless another holds the lock named by the title
// (HeldElsewhere): the user is then told so, with the title as caption.
LockOutcome claimSingleInstance(InstanceLock& lock, MessageBoxes& messageBoxes, const QString& title);
