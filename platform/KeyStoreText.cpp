#include "platform/KeyStoreText.h"

namespace {

const char kHeader[] = "# Vizivuri values: one per line, name=value, UTF-8;\n"
                       "# '%', '=', '#' and control characters are written as %XX.";

QString folded(const QString& name)
{
    QString out = name;
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

QByteArray escape(const QString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    for (const char c : text.toUtf8()) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F || c == '%' || c == '=' || c == '#')
            out.append('%').append(hex[b >> 4]).append(hex[b & 0xF]);
        else
            out.append(c);
    }
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A '%' without two hex digits after it stays as it is.
QString unescape(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int high = bytes[i] == '%' && i + 2 < bytes.size() ? hexDigit(bytes[i + 1]) : -1;
        const int low = high >= 0 ? hexDigit(bytes[i + 2]) : -1;
        if (low < 0) {
            out.append(bytes[i]);
            continue;
        }
        out.append(char(high * 16 + low));
        i += 2;
    }
    return QString::fromUtf8(out);
}

// The value part of a line, with the '\r' of a CR LF file kept apart.
QByteArrayView valueBytes(const QByteArray& line)
{
    QByteArrayView value = QByteArrayView(line).sliced(line.indexOf('=') + 1);
    return value.endsWith('\r') ? value.chopped(1) : value;
}

} // namespace

KeyStoreText::KeyStoreText(const QByteArray& content)
{
    if (content.isEmpty())
        return;
    const QList<QByteArray> lines = content.split('\n');
    m_endsWithNewline = content.endsWith('\n');
    for (qsizetype i = 0; i < lines.size() - (m_endsWithNewline ? 1 : 0); ++i) {
        const QByteArray& bytes = lines[i];
        const qsizetype equals = bytes.indexOf('=');
        const bool holdsValue = equals >= 0 && !bytes.startsWith('#');
        m_lines.append({bytes, holdsValue,
                        holdsValue ? folded(unescape(QByteArrayView(bytes).first(equals))) : QString()});
    }
}

qsizetype KeyStoreText::indexOf(const QString& name) const
{
    const QString key = folded(name);
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].holdsValue && m_lines[i].key == key)
            return i;
    return -1;
}

std::optional<QString> KeyStoreText::value(const QString& name) const
{
    const qsizetype i = indexOf(name);
    if (i < 0)
        return std::nullopt;
    return unescape(valueBytes(m_lines[i].bytes));
}

bool KeyStoreText::setValue(const QString& name, const QString& value)
{
    const qsizetype i = indexOf(name);
    if (i >= 0) {
        if (unescape(valueBytes(m_lines[i].bytes)) == value)
            return false;
        // The name keeps its stored spelling, the line its end.
        QByteArray& bytes = m_lines[i].bytes;
        const QByteArray end = bytes.endsWith('\r') ? QByteArray("\r") : QByteArray();
        bytes = bytes.left(bytes.indexOf('=') + 1) + escape(value) + end;
        return true;
    }
    if (m_lines.isEmpty()) {
        for (const QByteArray& header : QByteArray(kHeader).split('\n'))
            m_lines.append({header, false, QString()});
    }
    m_lines.append({escape(name) + '=' + escape(value), true, folded(name)});
    m_endsWithNewline = true;
    return true;
}

bool KeyStoreText::removeValue(const QString& name)
{
    // Every line of that name goes, so that a shadowed duplicate does not come back.
    const QString key = folded(name);
    const qsizetype before = m_lines.size();
    m_lines.removeIf([&](const Line& line) { return line.holdsValue && line.key == key; });
    return m_lines.size() != before;
}

QByteArray KeyStoreText::content() const
{
    QByteArray out;
    for (const Line& line : m_lines)
        out.append(line.bytes).append('\n');
    if (!m_endsWithNewline && !out.isEmpty())
        out.chop(1);
    return out;
}
