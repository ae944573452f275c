#include "forms/TForm1.h"

#include "messages/TimeStamps.h"

#include <QLabel>

void TForm1::Timer3Timer()
{
    Label18->setText(longTime(m_platform.clock.now()) + QStringLiteral("    "));
}
