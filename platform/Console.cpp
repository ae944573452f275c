#include "platform/Console.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

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

bool standardOutputIsJournal()
{
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    struct stat info
    {
    };
    if (stream.isEmpty() || ::fstat(STDOUT_FILENO, &info) != 0)
        return false;
    return stream == QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino));
}
