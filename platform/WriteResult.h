#pragma once

#include <QString>

// Outcome of an operation that writes something: empty error means success.
struct WriteResult
{
    QString error;

    bool ok() const { return error.isEmpty(); }
    static WriteResult success() { return {}; }
    static WriteResult failure(const QString& text)
    {
        return {text.isEmpty() ? QStringLiteral("unknown error") : text};
    }
};
