#pragma once

#include "platform/CodePage.h"
#include "platform/KeyStore.h"
#include "platform/SystemLanguage.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"

// A login saved for automatic login as the program itself saves it: the key
// store's half, then "vkl.ini" in `folder` with default option lines.
inline bool saveLoginFiles(KeyStore& store, const QString& folder, const QString& domain,
                           const QString& password)
{
    QStringList settings = defaultSettingsLines();
    const CodePage codePage = CodePage::forLanguage(LanguageId::SimplifiedChinese);
    return SavedLogin::save(store, settings, domain, password,
                            [&](const QStringList& lines) {
                                return saveTextLines(settingsFilePath(folder), lines, codePage, true);
                            })
        .ok();
}
