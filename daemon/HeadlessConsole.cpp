#include "daemon/HeadlessConsole.h"

#include "daemon/HeadlessOutput.h"

bool HeadlessBrowser::openUrl(const QString& url)
{
    m_output.page(url);
    return true;
}

void HeadlessMessageBoxes::show(const QString& caption, const QString& text)
{
    m_output.error(caption + QStringLiteral(": ") + text);
}
