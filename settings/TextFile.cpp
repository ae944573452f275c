#include "settings/TextFile.h"

#include "platform/AtomicFile.h"

#include <QFile>

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines << text.mid(start);
    return lines;
}

QString joinLines(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return text;
}

LoadedLines loadTextLines(const QString& path, const CodePage& codePage)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            return {};
        return {LoadedLines::State::Unreadable, {}, file.errorString()};
    }
    const QByteArray bytes = file.read(maxTextFileBytes);
    if (file.error() != QFileDevice::NoError)
        return {LoadedLines::State::Unreadable, {}, file.errorString()};
    // An editor's UTF-8 byte-order mark is no part of the first line.
    const QByteArray byteOrderMark("\xEF\xBB\xBF");
    const QByteArray text = bytes.startsWith(byteOrderMark) ? bytes.mid(byteOrderMark.size()) : bytes;
    return {LoadedLines::State::Loaded, splitLines(codePage.decode(text)), {}};
}

WriteResult saveTextLines(const QString& path, const QStringList& lines, const CodePage& codePage,
                          bool ownerOnly)
{
    return writeFileAtomically(path, codePage.encode(joinLines(lines)), ownerOnly ? 0600 : 0644);
}
