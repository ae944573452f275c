#include "registration/SettingsStore.h"

#include "messages/Messages.h"
#include "registration/ClientState.h"
#include "registration/EventLogLines.h"
#include "settings/InputRefusals.h"
#include "settings/InputRefusals.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"
#include "settings/deployment.h"

#include <QDir>

namespace {

const QString zoneListFileName = QStringLiteral("yuming.ini");
const QString multiUserFileName = QStringLiteral("vkldomain.ini");

QStringList builtInZoneList()
{
    QStringList zones;
    for (const char* zone : deployment::builtInZones)
        zones << QString::fromUtf8(zone);
    return zones;
}

} // namespace

SettingsStore::SettingsStore(const Platform& platform, ClientState& state, EventLogLines& log,
                             QString caption)
    : m_platform(platform), m_state(state), m_log(log), m_caption(std::move(caption)),
      m_language(languageCodeFor(platform.language.languageId())),
      m_codePage(CodePage::forLanguage(platform.language.languageId())),
      m_writeFailures(platform.messageBoxes)
{
}

QString SettingsStore::programFile(const QString& name) const
{
    return QDir(m_platform.programFolder).filePath(name);
}

// Only a missing file is created. One that exists but cannot be read (left by
// another user, say) is never written in this run: the defaults stay in memory.
std::optional<QStringList> SettingsStore::loadProgramFile(const QString& name)
{
    const LoadedLines loaded = loadTextLines(programFile(name), m_codePage);
    switch (loaded.state) {
    case LoadedLines::State::Loaded:
        m_savedContent.insert(name, loaded.lines);
        return loaded.lines;
    case LoadedLines::State::Unreadable:
        m_unreadableFiles.insert(name);
        m_platform.messageBoxes.show(m_caption, Messages::readFailed(m_language, name, loaded.error));
        return std::nullopt;
    case LoadedLines::State::Missing:
        return std::nullopt;
    }
    return std::nullopt;
}

// A file is written only when its content changes: every success reply saves
// the settings, and a flood of them must not become a flood of writes.
void SettingsStore::saveProgramFile(const QString& name, const QStringList& lines, bool ownerOnly)
{
    if (m_unreadableFiles.contains(name))
        return;
    if (const auto saved = m_savedContent.constFind(name); saved != m_savedContent.cend() && *saved == lines)
        return;
    writeProgramFile(name, lines, ownerOnly);
}

WriteResult SettingsStore::writeProgramFile(const QString& name, const QStringList& lines, bool ownerOnly)
{
    const WriteResult written = saveTextLines(programFile(name), lines, m_codePage, ownerOnly);
    reportWriteFailure(programFile(name), written);
    if (written.ok())
        m_savedContent.insert(name, lines);
    return written;
}

void SettingsStore::load()
{
    // A blank last line is no entry, as the list has always been read.
    if (const auto list = loadProgramFile(multiUserFileName))
        m_state.setMultiUserLines(splitLines(list->join(u'\n')));
    else
        saveMultiUserList();

    if (const auto zones = loadProgramFile(zoneListFileName)) {
        m_state.setZoneList(*zones);
    } else {
        m_state.setZoneList(builtInZoneList());
        saveProgramFile(zoneListFileName, m_state.zoneList());
    }

    m_state.setSettingsLines(loadProgramFile(settingsFileName).value_or(defaultSettingsLines()));
}

void SettingsStore::reload()
{
    m_unreadableFiles.clear();
    load();
}

std::optional<SavedCredentials::Credentials> SettingsStore::restoreCredentials()
{
    const auto restored =
        SavedLogin::restore(m_platform.keyStore, m_state.setting(SettingsLine::Credentials));
    switch (restored.outcome) {
    case SavedLogin::Outcome::Nothing:
        return std::nullopt;
    case SavedLogin::Outcome::Incomplete:
        keepUnusableSavedLogin(Messages::savedCredentialsIncomplete(m_language));
        return std::nullopt;
    case SavedLogin::Outcome::Unreadable:
        keepUnusableSavedLogin(
            Messages::savedCredentialsUnreadable(m_language, m_platform.keyStore.unreadableReason()));
        return std::nullopt;
    case SavedLogin::Outcome::CannotTell:
        keepUnusableSavedLogin(Messages::savedCredentialsMismatched(m_language));
        return std::nullopt;
    case SavedLogin::Outcome::Restored:
        m_state.setAutoLogin(true);
        return restored.credentials;
    }
    return std::nullopt;
}

// The halves on disk are no login, but saving over them would destroy what is
// left of the real one for good.
void SettingsStore::keepUnusableSavedLogin(const QString& why)
{
    m_state.setAutoLogin(true);
    m_log.appendHistory(why);
}

bool SettingsStore::admitsLogin(const QString& domain, const QString& password)
{
    const QString refused = InputRefusals::login(domain, password, m_platform.language.languageId());
    if (refused.isEmpty())
        return true;
    m_log.setStatus(refused);
    m_log.appendHistory(refused);
    return false;
}

void SettingsStore::saveSettingsLines()
{
    // Line 0 holds part of the password.
    saveProgramFile(settingsFileName, m_state.settingsLines(), /*ownerOnly=*/true);
}

void SettingsStore::saveMultiUserList()
{
    saveProgramFile(multiUserFileName, m_state.multiUserLines());
}

void SettingsStore::saveCredentials(const QString& domain, const QString& password)
{
    // Half of the credentials would not match the other half left in the file.
    if (m_unreadableFiles.contains(settingsFileName))
        return;
    if (!admitsLogin(domain, password))
        return;
    bool fileAttempted = false;
    QStringList lines = m_state.settingsLines();
    const WriteResult saved = SavedLogin::save(m_platform.keyStore, lines, domain, password,
                                               [this, &fileAttempted](const QStringList& newLines) {
                                                   fileAttempted = true;
                                                   return writeProgramFile(settingsFileName, newLines, true);
                                               });
    m_state.setSettingsLines(lines);
    // A failure of the file was reported where it happened; one of the key store names its value.
    if (!fileAttempted)
        reportWriteFailure({}, saved);
}

void SettingsStore::clearCredentials()
{
    m_state.setSetting(SettingsLine::Credentials, QString());
    saveSettingsLines();
}

void SettingsStore::reportWriteFailure(const QString& file, const WriteResult& result)
{
    m_writeFailures.report(m_caption, m_language, file, result);
}
