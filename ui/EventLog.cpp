#include "ui/EventLog.h"

#include "messages/Messages.h"

#include <QScrollBar>

EventLog::EventLog(QWidget* parent) : LogBox(parent, {Messages::initial(), QString(), QString()})
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLayoutDirection(Qt::RightToLeft);
    // Right-aligned, but the texts themselves read left to right.
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Qt::AlignRight);
    option.setTextDirection(Qt::LeftToRight);
    document()->setDefaultTextOption(option);
    // Right-aligned lines start at the right edge of the widest one: keep that
    // edge in view, as a right-to-left box does.
    connect(horizontalScrollBar(), &QScrollBar::rangeChanged, this,
            [this](int, int maximum) { horizontalScrollBar()->setValue(maximum); });
}
