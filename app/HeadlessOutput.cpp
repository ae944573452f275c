#include "app/HeadlessOutput.h"

#include "platform/Console.h"
#include "platform/PageAddress.h"

#include <QDateTime>

namespace {

constexpr int statusLines = 3;
constexpr int statusBarChannel = statusLines;

} // namespace

HeadlessOutput::HeadlessOutput(bool journal, LanguageCode language) : m_journal(journal), m_language(language)
{
}

void HeadlessOutput::eventLogLine(int index, const QString& text)
{
    if (index >= 0 && index < statusLines)
        status(index, text);
    else
        event(text);
}

void HeadlessOutput::statusBar(const QString& text)
{
    status(statusBarChannel, text);
}

void HeadlessOutput::status(int channel, const QString& text)
{
    const QString bare = withoutLeadingTime(text);
    if (m_statuses.value(channel) == bare)
        return;
    m_statuses.insert(channel, bare);
    event(text);
}

void HeadlessOutput::event(const QString& text)
{
    const QString bare = withoutLeadingTime(text);
    // A status is usually shown in the status bar and in the log at once: once is enough.
    if (saysNothing(bare) || bare == m_lastPrinted)
        return;
    m_lastPrinted = bare;
    print(priorityOf(text, m_language), bare);
}

void HeadlessOutput::portMappingLine(const QString& text)
{
    if (!saysNothing(text))
        print(priorityOf(text, m_language), QStringLiteral("[port mapping] ") + text.trimmed());
}

void HeadlessOutput::page(const QString& url)
{
    print(LogPriority::Information, QStringLiteral("page: ") + pageAddressForLog(url));
}

void HeadlessOutput::error(const QString& text)
{
    const QString line = m_journal ? QStringLiteral("<%1>").arg(int(LogPriority::Error)) + text : text;
    printErrorLine(line);
}

void HeadlessOutput::print(LogPriority priority, const QString& text)
{
    if (m_journal)
        printLine(QStringLiteral("<%1>").arg(int(priority)) + text);
    else
        printLine(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + text);
}
