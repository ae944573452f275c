#pragma once

#include "platform/WriteResult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

enum class FileSync
{
    ToDisk, // the new content is on disk before the call returns
    None,   // for files made again at every start: no wait for the disk
};

// Replaces the file at `path` with `data` through a temporary file in the same
// folder, flushed to disk (unless `sync` says otherwise) and then renamed over
// it, so that a crash or a failed write leaves the old content whole. The new
// file gets `permissions` (such as 0600) whatever the old one had. The error
// is the reason alone.
WriteResult writeFileAtomically(const QString& path, const QByteArray& data, unsigned permissions,
                                FileSync sync = FileSync::ToDisk);

// Removes the temporary files that an interrupted writeFileAtomically left
// beside each of `paths` (named after the file, ".kelvane-tmp-" and six
// characters of mkstemp's), each a copy of what was being written; any other
// file, such as a user's backup, stays. Only regular files of this
// user that no process holds open, so that a write in progress keeps its own.
void removeStaleTemporaries(const QStringList& paths);
