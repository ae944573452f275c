#pragma once

#include "platform/KeyStore.h"
#include "platform/WriteResult.h"
#include "settings/SavedCredentials.h"

#include <QStringList>

#include <functional>

// The saved login as a whole: its two halves live in two files (the key store
// and line 0 of "vkl.ini"), which no single write can change together. Beside
// the prefixes of SavedCredentials the key store keeps the SHA-256 of the line
// 0 they belong to, and the prefixes and digest of the login saved before, so
// that whichever of the two files a cut-short save left new, the prefixes that
// match the line on disk can be told; older copies ignore these values.
namespace SavedLogin {

inline const QString lineDigestName = QStringLiteral("vkl03");
inline const QString previousDomainPrefixName = QStringLiteral("vkl04");
inline const QString previousPasswordPrefixName = QStringLiteral("vkl05");
inline const QString previousLineDigestName = QStringLiteral("vkl06");

// Writes the key store first, all its values at once, then, only once that
// worked, puts the new line 0 into `settingsLines` (padded to SettingsLine::Count)
// and writes them with `writeSettingsFile`. `settingsLines` are what the
// settings file holds. A file whose content would not change is not written.
WriteResult save(KeyStore& store, QStringList& settingsLines, const QString& domain, const QString& password,
                 const std::function<WriteResult(const QStringList&)>& writeSettingsFile);

enum class Outcome
{
    Nothing,    // line 0 is blank, or the halves make an empty domain or password: nothing was saved
    Incomplete, // the key store lacks its half (a prefix missing or without "***")
    Unreadable, // the key store exists but cannot be read
    CannotTell, // no prefixes in the key store belong to this line 0
    Restored,
};

struct Restore
{
    Outcome outcome = Outcome::Nothing;
    SavedCredentials::Credentials credentials; // only for Restored
};

// Line 0 as saved: an editor's trailing blanks are no part of it.
Restore restore(const KeyStore& store, const QString& line0);

} // namespace SavedLogin
