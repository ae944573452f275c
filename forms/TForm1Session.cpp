#include "forms/TForm1.h"

#include "messages/Messages.h"
#include "registration/StoredPassword.h"
#include "settings/MultiUserList.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStackedWidget>

void TForm1::stopSessionTimers()
{
    for (Timer* timer : {&Timer1, &Timer4, &Timer5, &Timer6, &Timer7, &Timer8, &Timer9})
        timer->setInterval(0);
}

void TForm1::Button4Click()
{
    Label9Click();
    nameedit->setText(nameedit->text().trimmed());
    passedit->setText(passedit->text().trimmed());
    m_session.startLogin(nameedit->text(), passedit->text());
    stopSessionTimers();
    Timer4.setInterval(10);
    if (m_session.autoLogin())
        SaveCredentials();
}

// Every automatic login starts here: at start-up and when a check finds the
// address changed with auto-login ticked.
void TForm1::Button5Click()
{
    stopSessionTimers();
    m_session.startAutomaticLogin();
    if (nameedit->text().trimmed().isEmpty() || passedit->text().trimmed().isEmpty())
        return;
    dlrz->setLine(0, Messages::startupLoginSent(timeOfDay()));
    const bool multiUser = isOn(m_session.settingsLines, SettingsLine::MultiUser);
    if (!multiUser) {
        if (m_session.autoLogin())
            SaveCredentials();
        else
            SaveSettingsLines();
    }
    if (isOn(m_session.settingsLines, SettingsLine::ResolveLocal))
        m_session.iptype = true;
    if (!multiUser) {
        Timer4.setInterval(100);
        return;
    }
    if (!m_session.multiUserLines().isEmpty()) {
        listIndex = 0;
        Timer7.setInterval(100);
        return;
    }
    // Nothing to log in: the next click logs in the form's own domain.
    setOn(m_session.settingsLines, SettingsLine::MultiUser, false);
    SaveSettingsLines();
}

void TForm1::Timer1Timer()
{
    Timer1.setInterval(0);
    if (m_session.autoLogin())
        Button5Click();
}

void TForm1::Timer4Timer()
{
    Timer4.setInterval(0);
    Button1Click();
}

void TForm1::zddrClick()
{
    const QStringList entries = m_session.multiUserLines();
    if (isOn(m_session.settingsLines, SettingsLine::MultiUser) && !entries.isEmpty()) {
        // A domain without its own password must not take the one in the field.
        const QString domain = MultiUserList::entryDomain(entries.first());
        if (const auto stored = m_platform.keyStore.value(domain)) {
            nameedit->setText(domain);
            passedit->setText(StoredPassword::decode(*stored));
        }
    }
    if (nameedit->text().trimmed().isEmpty() || passedit->text().trimmed().isEmpty())
        return;
    if (m_session.autoLogin())
        SaveCredentials();
    else
        ClearCredentials();
}

void TForm1::Label8Click()
{
    m_logOrOptions->setCurrentWidget(Panel8);
}

void TForm1::Label9Click()
{
    m_logOrOptions->setCurrentWidget(dlrz);
}
