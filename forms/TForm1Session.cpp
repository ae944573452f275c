#include "forms/TForm1.h"

#include "engine/LoginsView.h"
#include "ui/EventLog.h"

#include <QLineEdit>
#include <QStackedWidget>

void TForm1::Button4Click()
{
    Label9Click();
    m_logins.logIn(nameedit->text(), passedit->text());
}

void TForm1::Label8Click()
{
    m_logOrOptions->setCurrentWidget(Panel8);
}

void TForm1::Label9Click()
{
    m_logOrOptions->setCurrentWidget(dlrz);
}
