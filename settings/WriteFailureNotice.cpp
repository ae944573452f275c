#include "settings/WriteFailureNotice.h"

#include "messages/Messages.h"

#include <QFileInfo>

void WriteFailureNotice::report(const QString& caption, LanguageCode language, const QString& file,
                                const WriteResult& result)
{
    if (result.ok()) {
        m_lastShown.clear();
        return;
    }
    const QString text = file.isEmpty()
                             ? result.error
                             : Messages::writeFailed(language, QFileInfo(file).fileName(), result.error);
    if (text == m_lastShown)
        return;
    m_lastShown = text;
    m_messageBoxes.show(caption, text);
}
