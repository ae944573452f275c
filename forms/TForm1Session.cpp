#include "forms/TForm1.h"

#include "engine/EngineActions.h"
#include "engine/EngineModel.h"
#include "ui/EventLog.h"

#include <QLineEdit>
#include <QStackedWidget>

void TForm1::Button4Click()
{
    Label9Click();
    const QString domain = nameedit->text().trimmed();
    if (!admitsLogin(domain, passedit->text()))
        return;
    m_sentDomains.send(domain, m_model.valueAs<QString>("Domain"));
    m_actions.logIn(domain, passedit->text());
}

void TForm1::Label8Click()
{
    m_logOrOptions->setCurrentWidget(Panel8);
}

void TForm1::Label9Click()
{
    m_logOrOptions->setCurrentWidget(dlrz);
}
