#include "settings/SavedCredentials.h"

namespace SavedCredentials {

static std::optional<QString> prefixOf(const std::optional<QString>& value)
{
    if (!value)
        return std::nullopt;
    // The ending is the last three: a password may start with stars of its own.
    if (value->endsWith(QStringLiteral("***")))
        return value->chopped(3);
    const qsizetype end = value->indexOf(QStringLiteral("***"));
    if (end < 0)
        return std::nullopt;
    return value->left(end);
}

// Where the first `characters` characters end: a pair of UTF-16 surrogates is one
// character, and a half of one cannot be written to a UTF-8 file.
static qsizetype endOfFirst(const QString& text, qsizetype characters)
{
    qsizetype at = 0;
    for (; characters > 0 && at < text.size(); --characters)
        at +=
            text.at(at).isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate() ? 2 : 1;
    return at;
}

Parts split(const QString& domain, const QString& password)
{
    const QString d = domain.trimmed();
    const QString p = password.trimmed();
    const qsizetype domainCut = endOfFirst(d, 2);
    const qsizetype passwordCut = endOfFirst(p, 3);
    return Parts{d.left(domainCut) + QStringLiteral("***"), p.left(passwordCut) + QStringLiteral("***"),
                 d.mid(domainCut) + marker + p.mid(passwordCut)};
}

Restore restore(const std::optional<QString>& vkl01, const std::optional<QString>& vkl02,
                const QString& line0)
{
    if (line0.trimmed().isEmpty())
        return {};
    const auto domainPrefix = prefixOf(vkl01);
    const auto passwordPrefix = prefixOf(vkl02);
    if (!domainPrefix || !passwordPrefix)
        return {Outcome::Incomplete, {}};
    const qsizetype at = line0.indexOf(marker);
    // Without the marker the domain tail is empty and the password tail starts
    // at the 8th character, as the split format has always been read.
    const QString domainTail = at < 0 ? QString() : line0.left(at);
    const QString passwordTail = at < 0 ? line0.mid(7) : line0.mid(at + marker.size());
    return {Outcome::Restored, {*domainPrefix + domainTail, *passwordPrefix + passwordTail}};
}

} // namespace SavedCredentials
