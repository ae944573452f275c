#pragma once

#include "platform/CodePage.h"
#include "platform/WriteResult.h"

#include <QStringList>

#include <optional>

// Line files in the system code page, lines ended by CR LF.

// Splits at CR LF, LF or CR; a final line end does not start another line.
QStringList splitLines(const QString& text);

// Each line followed by CR LF.
QString joinLines(const QStringList& lines);

struct LoadedLines
{
    // A file that exists but cannot be read must not be replaced by defaults.
    enum class State
    {
        Missing,
        Unreadable,
        Loaded
    };
    State state = State::Missing;
    QStringList lines;
    QString error; // why an existing file could not be read
};

// Only the first `maxTextFileBytes` are read: these files are small, and a huge
// one must not freeze the program.
inline constexpr qint64 maxTextFileBytes = 4 * 1024 * 1024;
LoadedLines loadTextLines(const QString& path, const CodePage& codePage);

// Atomic rewrite, so that a crash or a full disk never leaves a truncated file.
// `ownerOnly` gives the file mode 0600, else 0644.
WriteResult saveTextLines(const QString& path, const QStringList& lines, const CodePage& codePage,
                          bool ownerOnly = false);
