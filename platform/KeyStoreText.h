#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The content of a key store file: UTF-8 text, one value per line as
// <name>=<value>. Bytes below 0x20, 0x7F and the characters '%', '=' and '#'
// are written as %XX (upper-case hex), so that any text fits on one line.
// Lines starting with '#' are comments. The first of several values whose
// names differ only in ASCII letter case is the one read and changed. A change
// touches only its own line: every other line, understood or not, keeps its
// bytes, so that a rewrite never loses what another copy wrote.
class KeyStoreText
{
public:
    explicit KeyStoreText(const QByteArray& content = {});

    std::optional<QString> value(const QString& name) const;
    // Both say whether the content changed.
    bool setValue(const QString& name, const QString& value);
    bool removeValue(const QString& name);

    QByteArray content() const;

private:
    struct Line
    {
        QByteArray bytes; // without its '\n'
        bool holdsValue = false;
        QString key; // the folded name of a value
    };

    qsizetype indexOf(const QString& name) const;

    QList<Line> m_lines;
    bool m_endsWithNewline = false;
};
