#pragma once

#include "platform/WriteResult.h"

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `data` through a temporary file in the same
// folder, flushed to disk and then renamed over it, so that a crash or a failed
// write leaves the old content whole. The new file gets `permissions` (such as
// 0600) whatever the old one had. The error is the reason alone.
WriteResult writeFileAtomically(const QString& path, const QByteArray& data, unsigned permissions);
