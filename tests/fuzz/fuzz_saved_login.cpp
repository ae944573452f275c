#include "FuzzCheck.h"
#include "platform/KeyStoreText.h"
#include "settings/SavedLogin.h"

#include <cstddef>
#include <cstdint>

namespace {

class MemoryKeyStore final : public KeyStore
{
public:
    explicit MemoryKeyStore(const QByteArray& content) : m_text(content) {}
    std::optional<QString> value(const QString& name) const override { return m_text.value(name); }
    WriteResult setValue(const QString& name, const QString& value) override
    {
        return setValues({{name, value}});
    }
    WriteResult setValues(const Values& values) override
    {
        for (const auto& [name, value] : values)
            m_text.setValue(name, value);
        return WriteResult::success();
    }
    WriteResult removeValue(const QString& name) override
    {
        m_text.removeValue(name);
        return WriteResult::success();
    }
    QString unreadableReason() const override { return {}; }

private:
    KeyStoreText m_text;
};

bool same(const SavedCredentials::Credentials& a, const SavedCredentials::Credentials& b)
{
    return a.domain == b.domain && a.password == b.password;
}

// Blanks after the password are not part of what was saved.
QString withoutTrailingBlanks(QString line)
{
    while (!line.isEmpty() && line.back().isSpace())
        line.chop(1);
    return line;
}

} // namespace

// Input: line 0 on disk, the new domain, the new password, then the key store.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> fields = bytes.split('\n');
    if (fields.size() < 4)
        return 0;
    const QString line0 = QString::fromUtf8(fields[0]);
    const SavedCredentials::Credentials fresh{QString::fromUtf8(fields[1]).trimmed(),
                                              QString::fromUtf8(fields[2]).trimmed()};
    // Its format cannot hold a '*' in either of them; an empty one is no login.
    const bool holdable = !fresh.domain.contains(u'*') && !fresh.password.contains(u'*') &&
                          !fresh.domain.isEmpty() && !fresh.password.isEmpty();
    MemoryKeyStore store(bytes.mid(fields[0].size() + fields[1].size() + fields[2].size() + 3));
    const SavedLogin::Restore before = SavedLogin::restore(store, line0);
    FUZZ_REQUIRE(before.outcome == SavedLogin::Outcome::Restored || same(before.credentials, {}));

    // Cut short after the key store: the line on disk gives the old login whole or nothing,
    // or the new one when the line on disk already was the new one.
    const auto failing = [](const QStringList&) { return WriteResult::failure(QStringLiteral("full")); };
    QStringList lines{line0};
    SavedLogin::save(store, lines, fresh.domain, fresh.password, failing);
    const SavedLogin::Restore cut = SavedLogin::restore(store, line0);
    if (cut.outcome == SavedLogin::Outcome::Restored)
        FUZZ_REQUIRE(
            (before.outcome == SavedLogin::Outcome::Restored && same(cut.credentials, before.credentials)) ||
            (lines[0] == withoutTrailingBlanks(line0) && (!holdable || same(cut.credentials, fresh))));

    // Completed: the new login whole.
    lines = QStringList{line0};
    FUZZ_REQUIRE(SavedLogin::save(store, lines, fresh.domain, fresh.password, [](const QStringList&) {
                     return WriteResult::success();
                 }).ok());
    const SavedLogin::Restore saved = SavedLogin::restore(store, lines[0]);
    if (holdable)
        FUZZ_REQUIRE(saved.outcome == SavedLogin::Outcome::Restored && same(saved.credentials, fresh));
    return 0;
}
