#include "platform/AtomicFile.h"
#include "platform/KeyStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>

#include <functional>
#include <utility>

// File format: UTF-8 text, one value per line as <name>=<value>. Bytes below
// 0x20, 0x7F and the characters '%', '=' and '#' are written as %XX (upper-case
// hex), so that any text fits on one line. Lines starting with '#' are comments;
// blank lines and lines without '=' are skipped. The first of several values
// whose names differ only in ASCII letter case wins.

namespace {

constexpr unsigned kFileMode = 0600;
const char kHeader[] = "# Vizivuri values: one per line, name=value, UTF-8;\n"
                       "# '%', '=', '#' and control characters are written as %XX.\n";

struct Entry
{
    QString name;
    QString value;
};

using Entries = QList<Entry>;

QString folded(const QString& name)
{
    QString out = name;
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    return out;
}

qsizetype indexOf(const Entries& entries, const QString& name)
{
    const QString key = folded(name);
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (folded(entries[i].name) == key)
            return i;
    return -1;
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
QString unescape(const QByteArray& bytes)
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

Entries parse(const QByteArray& content)
{
    Entries entries;
    QSet<QString> seen;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype equals = line.indexOf('=');
        if (line.startsWith('#') || equals < 0)
            continue;
        Entry entry{unescape(line.left(equals)), unescape(line.mid(equals + 1))};
        if (!seen.contains(folded(entry.name))) {
            seen.insert(folded(entry.name));
            entries.append(std::move(entry));
        }
    }
    return entries;
}

QByteArray serialise(const Entries& entries)
{
    QByteArray out(kHeader);
    for (const Entry& entry : entries)
        out.append(escape(entry.name)).append('=').append(escape(entry.value)).append('\n');
    return out;
}

// A missing file is an empty store; one that cannot be read is an error, so
// that a write never replaces values it could not see.
std::optional<Entries> load(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists())
        return Entries();
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return parse(file.readAll());
}

WriteResult save(const QString& path, const Entries& entries)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return WriteResult::failure(QStringLiteral("cannot create the folder %1").arg(folder));
    return writeFileAtomically(path, serialise(entries), kFileMode);
}

WriteResult failed(const QString& action, const QString& reason)
{
    return WriteResult::failure(action + QStringLiteral(": ") + reason);
}

// Loads the store, lets `change` edit it, and saves it when it says it changed.
WriteResult rewrite(const QString& path, const QString& action, const std::function<bool(Entries&)>& change)
{
    QString error;
    std::optional<Entries> entries = load(path, &error);
    if (!entries)
        return failed(action, error);
    if (!change(*entries))
        return WriteResult::success();
    const WriteResult result = save(path, *entries);
    return result.ok() ? result : failed(action, result.error);
}

} // namespace

FileKeyStore::FileKeyStore(QString path) : m_path(std::move(path)) {}

QString FileKeyStore::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Vizivuri");
}

std::optional<QString> FileKeyStore::value(const QString& name) const
{
    QString error;
    const std::optional<Entries> entries = load(m_path, &error);
    if (!entries)
        return std::nullopt;
    const qsizetype i = indexOf(*entries, name);
    if (i < 0)
        return std::nullopt;
    return entries->at(i).value;
}

WriteResult FileKeyStore::setValue(const QString& name, const QString& value)
{
    return rewrite(m_path, QStringLiteral("Failed to set data for '%1'").arg(name), [&](Entries& entries) {
        const qsizetype i = indexOf(entries, name);
        if (i < 0)
            entries.append({name, value});
        else
            entries[i].value = value;
        return true;
    });
}

WriteResult FileKeyStore::removeValue(const QString& name)
{
    return rewrite(m_path, QStringLiteral("Failed to delete '%1'").arg(name), [&](Entries& entries) {
        const qsizetype i = indexOf(entries, name);
        if (i >= 0)
            entries.removeAt(i);
        return i >= 0;
    });
}
