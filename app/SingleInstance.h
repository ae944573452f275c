#pragma once

#include <QString>

class InstanceLock;
class MessageBoxes;

// True when this copy may run. Otherwise another copy holds the lock named by
// the title: the user is told so, with the title as caption.
bool claimSingleInstance(InstanceLock& lock, MessageBoxes& messageBoxes, const QString& title);
