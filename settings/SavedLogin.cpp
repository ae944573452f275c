#include "settings/SavedLogin.h"

#include "settings/SettingsLines.h"

#include <QCryptographicHash>

namespace SavedLogin {

namespace {

using SavedCredentials::domainPrefixName;
using SavedCredentials::passwordPrefixName;

// The password's tail ends the line and was trimmed before it was saved.
QString asSaved(const QString& line0)
{
    qsizetype end = line0.size();
    while (end > 0 && line0.at(end - 1).isSpace())
        --end;
    return line0.left(end);
}

QString digest(const QString& line0)
{
    return QString::fromLatin1(QCryptographicHash::hash(line0.toUtf8(), QCryptographicHash::Sha256).toHex());
}

// Two prefixes and the digest of the line 0 they belong to; a missing value is null.
struct Pair
{
    std::optional<QString> domainPrefix;
    std::optional<QString> passwordPrefix;
    QString lineDigest;

    bool operator==(const Pair&) const = default;
};

struct Stored
{
    Pair current;
    Pair previous;
};

Stored read(const KeyStore& store)
{
    const auto text = [&](const QString& name) { return store.value(name).value_or(QString()); };
    return {{store.value(domainPrefixName), store.value(passwordPrefixName), text(lineDigestName)},
            {store.value(previousDomainPrefixName), store.value(previousPasswordPrefixName),
             text(previousLineDigestName)}};
}

// The pair that `line0` was saved with; nothing when no pair claims it. A store
// without digests was written by an older copy, which kept both files in step.
std::optional<Pair> pairOf(const Stored& stored, const QString& line0)
{
    if (stored.current.lineDigest.isEmpty() && stored.previous.lineDigest.isEmpty())
        return Pair{stored.current.domainPrefix, stored.current.passwordPrefix, digest(line0)};
    const QString wanted = digest(line0);
    if (stored.current.lineDigest == wanted)
        return stored.current;
    if (stored.previous.lineDigest == wanted)
        return stored.previous;
    return std::nullopt;
}

} // namespace

WriteResult save(KeyStore& store, QStringList& settingsLines, const QString& domain, const QString& password,
                 const std::function<WriteResult(const QStringList&)>& writeSettingsFile)
{
    padSettingsLines(settingsLines, SettingsLine::Count);
    const SavedCredentials::Parts parts = SavedCredentials::split(domain, password);
    const Pair fresh{parts.vkl01, parts.vkl02, digest(parts.line0)};
    const QString oldLine0 = settingsLines[SettingsLine::Credentials];
    const Stored stored = read(store);
    // The login on disk stays restorable until the settings file follows.
    const std::optional<Pair> onDisk =
        oldLine0.trimmed().isEmpty() ? std::nullopt : pairOf(stored, asSaved(oldLine0));
    const Pair previous = onDisk == fresh ? stored.previous : onDisk.value_or(Pair{});
    const WriteResult stores = store.setValues({
        {domainPrefixName, parts.vkl01},
        {passwordPrefixName, parts.vkl02},
        {lineDigestName, fresh.lineDigest},
        {previousDomainPrefixName, previous.domainPrefix.value_or(QString())},
        {previousPasswordPrefixName, previous.passwordPrefix.value_or(QString())},
        {previousLineDigestName, previous.lineDigest},
    });
    if (!stores.ok() || oldLine0 == parts.line0)
        return stores;
    settingsLines[SettingsLine::Credentials] = parts.line0;
    return writeSettingsFile(settingsLines);
}

Restore restore(const KeyStore& store, const QString& fileLine0)
{
    const QString line0 = asSaved(fileLine0);
    if (line0.trimmed().isEmpty())
        return {};
    if (!store.unreadableReason().isEmpty())
        return {Outcome::Unreadable, {}};
    const std::optional<Pair> pair = pairOf(read(store), line0);
    if (!pair)
        return {Outcome::CannotTell, {}};
    const SavedCredentials::Restore restored =
        SavedCredentials::restore(pair->domainPrefix, pair->passwordPrefix, line0);
    if (restored.outcome != SavedCredentials::Outcome::Restored)
        return {Outcome::Incomplete, {}};
    // Saved from empty fields (older copies did): no login to log in with.
    if (restored.credentials.domain.trimmed().isEmpty() || restored.credentials.password.trimmed().isEmpty())
        return {};
    return {Outcome::Restored, restored.credentials};
}

} // namespace SavedLogin
