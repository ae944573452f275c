#include "platform/AtomicFile.h"
#include "platform/KeyStore.h"
#include "platform/KeyStoreText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <functional>
#include <utility>

#include <sys/stat.h>

namespace {

constexpr unsigned kFileMode = 0600;
// A store holds a few values per domain; one this large is not ours to rewrite.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

// A missing file is an empty store; one that cannot be read is an error, so
// that a write never replaces values it could not see.
std::optional<KeyStoreText> load(const QString& path, QString* error)
{
    struct stat info
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0 && errno == ENOENT)
        return KeyStoreText();
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("%1 is a folder").arg(path);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray content = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    if (content.size() > kMaxFileBytes) {
        *error = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxFileBytes);
        return std::nullopt;
    }
    return KeyStoreText(content);
}

WriteResult save(const QString& path, const KeyStoreText& text)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return WriteResult::failure(QStringLiteral("cannot create the folder %1").arg(folder));
    return writeFileAtomically(path, text.content(), kFileMode);
}

WriteResult failed(const QString& action, const QString& reason)
{
    return WriteResult::failure(action + QStringLiteral(": ") + reason);
}

// Loads the store, lets `change` edit it, and saves it when it says it changed.
WriteResult rewrite(const QString& path, const QString& action,
                    const std::function<bool(KeyStoreText&)>& change)
{
    QString error;
    std::optional<KeyStoreText> text = load(path, &error);
    if (!text)
        return failed(action, error);
    if (!change(*text))
        return WriteResult::success();
    const WriteResult result = save(path, *text);
    return result.ok() ? result : failed(action, result.error);
}

} // namespace

FileKeyStore::FileKeyStore(QString path) : m_path(std::move(path)) {}

QString FileKeyStore::pathFor(const ProgramFolderChoice& folder)
{
    if (!folder.installed)
        return QDir(folder.folder).filePath(QStringLiteral("Vizivuri"));
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Vizivuri");
}

std::optional<QString> FileKeyStore::value(const QString& name) const
{
    QString error;
    const std::optional<KeyStoreText> text = load(m_path, &error);
    return text ? text->value(name) : std::nullopt;
}

WriteResult FileKeyStore::setValue(const QString& name, const QString& value)
{
    return rewrite(m_path, QStringLiteral("Failed to set data for '%1'").arg(name),
                   [&](KeyStoreText& text) { return text.setValue(name, value); });
}

WriteResult FileKeyStore::setValues(const Values& values)
{
    QStringList names;
    for (const auto& [name, value] : values)
        names << name;
    return rewrite(m_path,
                   QStringLiteral("Failed to set data for '%1'").arg(names.join(QStringLiteral("', '"))),
                   [&](KeyStoreText& text) {
                       bool changed = false;
                       for (const auto& [name, value] : values)
                           changed = text.setValue(name, value) || changed;
                       return changed;
                   });
}

WriteResult FileKeyStore::removeValue(const QString& name)
{
    return rewrite(m_path, QStringLiteral("Failed to delete '%1'").arg(name),
                   [&](KeyStoreText& text) { return text.removeValue(name); });
}

QString FileKeyStore::unreadableReason() const
{
    QString error;
    load(m_path, &error);
    return error;
}
