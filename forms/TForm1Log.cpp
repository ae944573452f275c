#include "forms/TForm1.h"

#include "ui/EventLog.h"
#include "ui/StatusPanels.h"
#include "messages/TimeStamps.h"

#include <QLabel>

QString TForm1::timeOfDay() const
{
    return longTime(m_platform.clock.now());
}

QString TForm1::today() const
{
    return shortDate(m_platform.clock.now());
}

// A history line: date and time, then the text.
void TForm1::appendHistory(const QString& text)
{
    dlrz->appendLine(today() + u' ' + timeOfDay() + u' ' + text);
}

void TForm1::setStatus(const QString& text)
{
    statusText = text;
    StatusBar1->setPanelText(0, text);
}

void TForm1::Timer3Timer()
{
    Label18->setText(timeOfDay() + QStringLiteral("    "));
}
