#include "forms/TForm1.h"

#include "messages/TimeStamps.h"
#include "ui/ClockLabel.h"

void TForm1::Timer3Timer()
{
    const QDateTime now = m_platform.clock.now();
    Label18->showTime(now, longTime(now) + QStringLiteral("    "));
}
