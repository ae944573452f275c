#pragma once

#include "messages/LanguageCode.h"
#include "platform/CodePage.h"
#include "platform/Platform.h"
#include "platform/WriteResult.h"
#include "settings/SavedCredentials.h"
#include "settings/WriteFailureNotice.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <optional>

class ClientState;
class EventLogLines;

// The program's own files ("vkl.ini", "yuming.ini", "vkldomain.ini") and the
// saved login, loaded into the client state and written back from it.
class SettingsStore
{
public:
    // `caption` heads the message boxes that report a file that cannot be read or written.
    SettingsStore(const Platform& platform, ClientState& state, EventLogLines& log, QString caption);

    QString programFile(const QString& name) const;
    // Reads the three files; a missing one is created.
    void load();
    // Reads them again, as a service takes edited files without a restart.
    void reload();
    // The saved login; nothing when none was saved. Halves that do not make a
    // login are said in the history, and the auto-login flag stays on, so that
    // nothing overwrites what is left of the real one.
    std::optional<SavedCredentials::Credentials> restoreCredentials();

    // Whether InputRules let this login in: one that may not is said in the
    // status bar and the history, and is neither sent nor saved.
    bool admitsLogin(const QString& domain, const QString& password);

    void saveSettingsLines();
    void saveMultiUserList();
    void saveCredentials(const QString& domain, const QString& password);
    void clearCredentials();
    void reportWriteFailure(const QString& file, const WriteResult& result);

private:
    std::optional<QStringList> loadProgramFile(const QString& name);
    void saveProgramFile(const QString& name, const QStringList& lines, bool ownerOnly = false);
    WriteResult writeProgramFile(const QString& name, const QStringList& lines, bool ownerOnly);
    void keepUnusableSavedLogin(const QString& why);

    Platform m_platform;
    ClientState& m_state;
    EventLogLines& m_log;
    QString m_caption;
    LanguageCode m_language;
    CodePage m_codePage;
    WriteFailureNotice m_writeFailures;
    QHash<QString, QStringList> m_savedContent; // what each program file holds
    QSet<QString> m_unreadableFiles;            // never written in this run
};
