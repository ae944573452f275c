#include "engine/SavedPasswords.h"

#include "platform/CodePage.h"
#include "platform/KeyStore.h"
#include "registration/StoredPassword.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"

QString savedPasswordOf(const KeyStore& keyStore, const QString& programFolder, int languageId,
                        const QString& domain)
{
    if (domain.trimmed().isEmpty())
        return {};
    const LoadedLines loaded = loadTextLines(settingsFilePath(programFolder), CodePage::forLanguage(languageId));
    const SavedLogin::Restore saved = SavedLogin::restore(keyStore, loaded.lines.value(SettingsLine::Credentials));
    if (saved.outcome == SavedLogin::Outcome::Restored &&
        saved.credentials.domain.compare(domain.trimmed(), Qt::CaseInsensitive) == 0)
        return saved.credentials.password;
    const auto entry = keyStore.value(domain.trimmed());
    return entry ? StoredPassword::decode(*entry) : QString();
}
