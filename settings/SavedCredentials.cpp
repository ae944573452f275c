#include "settings/SavedCredentials.h"

namespace SavedCredentials {

static QString prefixOf(const std::optional<QString>& value)
{
    if (!value)
        return {};
    const qsizetype end = value->indexOf(QStringLiteral("***"));
    return end < 0 ? QString() : value->left(end);
}

Parts split(const QString& domain, const QString& password)
{
    const QString d = domain.trimmed();
    const QString p = password.trimmed();
    return Parts{d.left(2) + QStringLiteral("***"), p.left(3) + QStringLiteral("***"),
                 d.mid(2) + marker + p.mid(3)};
}

std::optional<Credentials> restore(const std::optional<QString>& vkl01, const std::optional<QString>& vkl02,
                                   const QString& line0)
{
    if (line0.trimmed().isEmpty())
        return std::nullopt;
    const qsizetype at = line0.indexOf(marker);
    // Without the marker the domain tail is empty and the password tail starts
    // at the 8th character, as the split format has always been read.
    const QString domainTail = at < 0 ? QString() : line0.left(at);
    const QString passwordTail = at < 0 ? line0.mid(7) : line0.mid(at + marker.size());
    return Credentials{prefixOf(vkl01) + domainTail, prefixOf(vkl02) + passwordTail};
}

} // namespace SavedCredentials
