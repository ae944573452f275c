#include "daemon/HeadlessLogin.h"

#include "platform/CodePage.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"

QString headlessLoginProblem(const FileKeyStore& keyStore, const QString& programFolder, int languageId,
                             const QString& program)
{
    const QString settingsPath = settingsFilePath(programFolder);
    const LoadedLines loaded = loadTextLines(settingsPath, CodePage::forLanguage(languageId));
    if (loaded.state == LoadedLines::State::Unreadable)
        return QStringLiteral("Cannot read %1: %2").arg(settingsPath, loaded.error);
    const QString again = QStringLiteral("run %1 --save-login DOMAIN again").arg(program);
    switch (SavedLogin::restore(keyStore, loaded.lines.value(SettingsLine::Credentials)).outcome) {
    case SavedLogin::Outcome::Nothing:
        return QStringLiteral("No saved login in %1: run %2 --save-login DOMAIN first").arg(settingsPath, program);
    case SavedLogin::Outcome::Incomplete:
        return QStringLiteral("The saved login is incomplete: its half in the key store %1 is missing; %2")
            .arg(keyStore.path(), again);
    case SavedLogin::Outcome::Unreadable:
        return QStringLiteral("The key store cannot be read, so the saved login is unusable: %1")
            .arg(keyStore.unreadableReason());
    case SavedLogin::Outcome::CannotTell:
        return QStringLiteral(
                   "The two files of the saved login, %1 and the key store %2, do not match (one was "
                   "edited or a save was cut short); %3")
            .arg(settingsPath, keyStore.path(), again);
    case SavedLogin::Outcome::Restored:
        break;
    }
    return {};
}
