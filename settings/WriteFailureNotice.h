#pragma once

#include "messages/LanguageCode.h"
#include "platform/MessageBoxes.h"
#include "platform/WriteResult.h"

#include <QString>

// Tells the user in a message box that a file or value could not be written:
// one box per failure, not one per retry of the same write, until a write
// succeeds again.
class WriteFailureNotice
{
public:
    explicit WriteFailureNotice(MessageBoxes& messageBoxes) : m_messageBoxes(messageBoxes) {}

    // `file` empty: the result's own text names what failed.
    void report(const QString& caption, LanguageCode language, const QString& file,
                const WriteResult& result);

private:
    MessageBoxes& m_messageBoxes;
    QString m_lastShown;
};
