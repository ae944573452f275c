#pragma once

#include <QString>

#include <optional>

// The saved credentials are split: the first characters of the domain and of
// the password go to the key store ("vkl01", "vkl02", each ended by "***"),
// the rest to settings line 0 around the marker "###*****". The marker and the
// "***" endings are separators, not masks.
namespace SavedCredentials {

inline const QString domainPrefixName = QStringLiteral("vkl01");
inline const QString passwordPrefixName = QStringLiteral("vkl02");
inline const QString marker = QStringLiteral("###*****");

struct Parts
{
    QString vkl01;
    QString vkl02;
    QString line0;
};

struct Credentials
{
    QString domain;
    QString password;
};

// Both texts are trimmed first.
Parts split(const QString& domain, const QString& password);

enum class Outcome
{
    Nothing,    // line 0 is empty or only blanks: nothing was saved
    Incomplete, // a key-store value is missing or has no "***": the tails alone are no credentials
    Restored,
};

struct Restore
{
    Outcome outcome = Outcome::Nothing;
    Credentials credentials; // only for Restored
};

Restore restore(const std::optional<QString>& vkl01, const std::optional<QString>& vkl02,
                const QString& line0);

} // namespace SavedCredentials
