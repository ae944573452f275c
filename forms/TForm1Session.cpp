#include "forms/TForm1.h"

#include "forms/TForm2.h"
#include "registration/StoredPassword.h"
#include "settings/MultiUserList.h"
#include "settings/SettingsLines.h"
#include "ui/EventLog.h"
#include "messages/Messages.h"

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
    if (Form2)
        Form2->Timer2.setInterval(10);
    Label9Click();
    nameedit->setText(nameedit->text().trimmed());
    passedit->setText(passedit->text().trimmed());
    if (Form2) {
        Form2->nameedit = nameedit->text();
        Form2->passedit = passedit->text();
    }
    stopSessionTimers();
    Timer4.setInterval(10);
    if (zddr->isChecked())
        SaveCredentials();
}

// Every automatic login starts here: at start-up and when a check finds the
// address changed with auto-login ticked.
void TForm1::Button5Click()
{
    stopSessionTimers();
    if (Form2)
        Form2->Timer5.setInterval(10);
    if (nameedit->text().trimmed().isEmpty() || passedit->text().trimmed().isEmpty())
        return;
    dlrz->setLine(0, Messages::startupLoginSent(timeOfDay()));
    const bool multiUser = isOn(Memo4, SettingsLine::MultiUser);
    if (!multiUser) {
        if (zddr->isChecked())
            SaveCredentials();
        else
            SaveSettingsLines();
    }
    if (isOn(Memo4, SettingsLine::ResolveLocal))
        iptype = QStringLiteral("1");
    if (!multiUser) {
        Timer4.setInterval(100);
        return;
    }
    if (!multiUserLines().isEmpty()) {
        listIndex = 0;
        Timer7.setInterval(100);
        return;
    }
    // Nothing to log in: the next click logs in the form's own domain.
    setOn(Memo4, SettingsLine::MultiUser, false);
    SaveSettingsLines();
}

void TForm1::Timer1Timer()
{
    Timer1.setInterval(0);
    if (zddr->isChecked())
        Button5Click();
}

void TForm1::Timer4Timer()
{
    Timer4.setInterval(0);
    Button1Click();
}

void TForm1::zddrClick()
{
    const QStringList entries = multiUserLines();
    if (isOn(Memo4, SettingsLine::MultiUser) && !entries.isEmpty()) {
        nameedit->setText(MultiUserList::entryDomain(entries.first()));
        if (const auto stored = m_platform.keyStore.value(nameedit->text()))
            passedit->setText(StoredPassword::decode(*stored));
    }
    if (nameedit->text().trimmed().isEmpty() || passedit->text().trimmed().isEmpty())
        return;
    if (zddr->isChecked())
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
