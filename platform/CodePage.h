#pragma once

#include <QByteArray>
#include <QString>

// The system's "ANSI" code page: texts are QString inside the program and are
// converted only where they meet files and datagrams.
class CodePage
{
public:
    // GBK for 2052, Big5 for 1028 and 3076, Windows-1252 otherwise.
    static CodePage forLanguage(int languageId);
    static CodePage gbk();
    static CodePage big5();
    static CodePage windows1252();
    static CodePage gb18030();
    static CodePage utf8();
    // The code page of the process locale's language.
    static CodePage system();

    const char* name() const { return m_iconvName; }

    // A character without a mapping becomes "?".
    QByteArray encode(const QString& text) const;
    // Every character of `text` has a mapping.
    bool holds(const QString& text) const { return decode(encode(text)) == text; }
    // A byte sequence invalid in the code page becomes U+FFFD; never fails.
    QString decode(const QByteArray& bytes) const;
    // The text before the first NUL byte, as C-string texts from the network end.
    QString decodeUpToNul(const QByteArray& bytes) const;

private:
    explicit CodePage(const char* iconvName) : m_iconvName(iconvName) {}
    const char* m_iconvName;
};
