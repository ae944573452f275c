#include "forms/TForm1.h"

#include "forms/AppShell.h"
#include "messages/Messages.h"
#include "settings/SavedLogin.h"
#include "settings/SettingsLines.h"
#include "settings/TextFile.h"
#include "settings/deployment.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <utility>

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

QString TForm1::programFile(const QString& name) const
{
    return QDir(m_platform.programFolder).filePath(name);
}

// Only a missing file is created. One that exists but cannot be read (left by
// another user, say) is never written in this run: the defaults stay in memory.
std::optional<QStringList> TForm1::loadProgramFile(const QString& name)
{
    const LoadedLines loaded = loadTextLines(programFile(name), m_codePage);
    switch (loaded.state) {
    case LoadedLines::State::Loaded:
        m_savedContent.insert(name, loaded.lines);
        return loaded.lines;
    case LoadedLines::State::Unreadable:
        m_unreadableFiles.insert(name);
        m_platform.messageBoxes.show(
            m_shell.title,
            Messages::readFailed(languageCodeFor(m_platform.language.languageId()), name, loaded.error));
        return std::nullopt;
    case LoadedLines::State::Missing:
        return std::nullopt;
    }
    return std::nullopt;
}

// A file is written only when its content changes: every success reply saves
// the settings, and a flood of them must not become a flood of writes.
void TForm1::saveProgramFile(const QString& name, const QStringList& lines, bool ownerOnly)
{
    if (m_unreadableFiles.contains(name))
        return;
    if (const auto saved = m_savedContent.constFind(name); saved != m_savedContent.cend() && *saved == lines)
        return;
    writeProgramFile(name, lines, ownerOnly);
}

WriteResult TForm1::writeProgramFile(const QString& name, const QStringList& lines, bool ownerOnly)
{
    const WriteResult written = saveTextLines(programFile(name), lines, m_codePage, ownerOnly);
    reportWriteFailure(programFile(name), written);
    if (written.ok())
        m_savedContent.insert(name, lines);
    return written;
}

void TForm1::loadSettingsFiles()
{
    // A blank last line is no entry, as the list has always been read.
    if (const auto list = loadProgramFile(multiUserFileName))
        m_session.setMultiUserLines(splitLines(list->join(u'\n')));
    else
        SaveMultiUserList();

    if (const auto zones = loadProgramFile(zoneListFileName)) {
        m_session.zoneList = *zones;
    } else {
        m_session.zoneList = builtInZoneList();
        saveProgramFile(zoneListFileName, m_session.zoneList);
    }

    m_session.settingsLines = loadProgramFile(settingsFileName).value_or(defaultSettingsLines());
    padSettingsLines(m_session.settingsLines, SettingsLine::Count);
}

void TForm1::reloadSettingsFiles()
{
    m_unreadableFiles.clear();
    loadSettingsFiles();
    const bool guard = std::exchange(loadingGuard, true);
    CheckBox1->setChecked(isOn(m_session.settingsLines, SettingsLine::MultiUser));
    CheckBox5->setChecked(isOn(m_session.settingsLines, SettingsLine::ResolveLocal));
    m_session.iptype = isOn(m_session.settingsLines, SettingsLine::ResolveLocal);
    restoreSavedCredentials();
    loadingGuard = guard;
}

void TForm1::SaveSettingsLines()
{
    // Line 0 holds part of the password.
    saveProgramFile(settingsFileName, m_session.settingsLines, /*ownerOnly=*/true);
}

void TForm1::SaveMultiUserList()
{
    saveProgramFile(multiUserFileName, m_session.multiUserLines());
}

void TForm1::SaveCredentials()
{
    if (m_session.autoLogin())
        storeCredentials(nameedit->text(), passedit->text());
}

void TForm1::storeCredentials(const QString& domain, const QString& password)
{
    // Half of the credentials would not match the other half left in the file.
    if (m_unreadableFiles.contains(settingsFileName))
        return;
    bool fileAttempted = false;
    const WriteResult saved = SavedLogin::save(m_platform.keyStore, m_session.settingsLines, domain, password,
                                               [this, &fileAttempted](const QStringList& lines) {
                                                   fileAttempted = true;
                                                   return writeProgramFile(settingsFileName, lines, true);
                                               });
    // A failure of the file was reported where it happened; one of the key store names its value.
    if (!fileAttempted)
        reportWriteFailure({}, saved);
}

void TForm1::ClearCredentials()
{
    padSettingsLines(m_session.settingsLines, 1);
    m_session.settingsLines[SettingsLine::Credentials].clear();
    SaveSettingsLines();
}

void TForm1::CheckBox1Click()
{
    if (loadingGuard)
        return;
    setOn(m_session.settingsLines, SettingsLine::MultiUser, CheckBox1->isChecked());
    SaveSettingsLines();
}

void TForm1::CheckBox7Click()
{
    if (loadingGuard)
        return;
    setOn(m_session.settingsLines, SettingsLine::RunHidden, CheckBox7->isChecked());
    SaveSettingsLines();
}

void TForm1::reportWriteFailure(const QString& file, const WriteResult& result)
{
    m_writeFailures.report(m_shell.title, languageCodeFor(m_platform.language.languageId()), file, result);
}
