#include "platform/Console.h"

#include <cstdio>

namespace {

void writeLine(std::FILE* stream, const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

void printLine(const QString& line)
{
    writeLine(stdout, line);
}

void printErrorLine(const QString& line)
{
    writeLine(stderr, line);
}

bool ConsoleBrowser::openUrl(const QString& url)
{
    printLine(QStringLiteral("page: ") + url);
    return true;
}

void ConsoleMessageBoxes::show(const QString& caption, const QString& text)
{
    printErrorLine(caption + QStringLiteral(": ") + text);
}
