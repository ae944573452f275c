#include "daemon/SaveLogin.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Console.h"
#include "platform/InstanceLock.h"
#include "platform/KeyStore.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemLanguage.h"
#include "settings/InputRules.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"

int saveLogin(const QString& domain)
{
    const QString cannotSave = QStringLiteral("Cannot save the login: %1");
    if (const QString why = InputRules::domainProblem(domain); !why.isEmpty()) {
        printErrorLine(cannotSave.arg(why));
        return 2;
    }
    LocaleSystemLanguage language;
    const QString password = readLineWithoutEcho(QStringLiteral("Password: "));
    if (const QString why = InputRules::passwordProblem(password, language.languageId()); !why.isEmpty()) {
        printErrorLine(cannotSave.arg(why));
        return 2;
    }
    const ProgramFolderChoice folder = chooseProgramFolder(programFolder(), dataHome());
    if (!folder.error.isEmpty()) {
        printErrorLine(QStringLiteral("Cannot use the folder %1: %2").arg(folder.folder, folder.error));
        return 1;
    }
    FileInstanceLock lock;
    if (lock.acquire(folder.folder) == LockOutcome::HeldElsewhere) {
        printErrorLine(
            QStringLiteral("Kelvane is running: close it first, as it would write over the saved login"));
        return 1;
    }
    const CodePage codePage = CodePage::forLanguage(language.languageId());
    const QString settingsPath = settingsFilePath(folder.folder);
    const LoadedLines loaded = loadTextLines(settingsPath, codePage);
    if (loaded.state == LoadedLines::State::Unreadable) {
        printErrorLine(QStringLiteral("Cannot read %1: %2").arg(settingsPath, loaded.error));
        return 1;
    }
    QStringList lines = loaded.state == LoadedLines::State::Loaded ? loaded.lines : defaultSettingsLines();
    FileKeyStore keyStore(FileKeyStore::pathFor(folder));
    removeStaleTemporaries({settingsPath, keyStore.path()});
    const WriteResult written =
        SavedLogin::save(keyStore, lines, domain, password, [&](const QStringList& newLines) {
            return saveTextLines(settingsPath, newLines, codePage, /*ownerOnly=*/true);
        });
    if (!written.ok()) {
        printErrorLine(written.error);
        return 1;
    }
    printLine(
        QStringLiteral("Saved the login of %1 for automatic login (%2)").arg(domain.trimmed(), settingsPath));
    return 0;
}
