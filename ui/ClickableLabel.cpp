#include "ui/ClickableLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it; a click does not take the focus from a field.
    setFocusPolicy(Qt::TabFocus);
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    // The frame is always there, only its colour changes, so that the text never moves.
    setStyleSheet(QStringLiteral("ClickableLabel { color: #0000c0; border: 1px dotted transparent; }"
                                 "ClickableLabel:focus { border-color: #0000c0; }"));
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!event->isAutoRepeat())
            emit clicked();
        event->accept();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}
