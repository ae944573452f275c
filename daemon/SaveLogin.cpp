#include "daemon/SaveLogin.h"

#include "messages/Messages.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/InstanceLock.h"
#include "platform/KeyStore.h"
#include "platform/ProgramFolder.h"
#include "platform/SystemLanguage.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

QString readPassword()
{
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal) {
        std::fputs("Password: ", stderr);
        std::fflush(stderr);
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= tcflag_t(~ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    char line[4096] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    return read ? QString::fromLocal8Bit(line).trimmed() : QString();
}

} // namespace

int saveLogin(const QString& domain)
{
    if (domain.trimmed().isEmpty()) {
        printErrorLine(QStringLiteral("--save-login needs a domain"));
        return 2;
    }
    const QString password = readPassword();
    if (password.isEmpty()) {
        printErrorLine(QStringLiteral("No password given: nothing was saved"));
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
    LocaleSystemLanguage language;
    const CodePage codePage = CodePage::forLanguage(language.languageId());
    if (!SavedLogin::codePageHolds(codePage, domain, password)) {
        printErrorLine(Messages::loginNotSavable(languageCodeFor(language.languageId()),
                                                 QString::fromLatin1(codePage.name())));
        return 1;
    }
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
