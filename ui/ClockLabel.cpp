#include "ui/ClockLabel.h"

#include <QLocale>
#include <QPainter>

ClockLabel::ClockLabel(QWidget* parent) : QWidget(parent) {}

void ClockLabel::showTime(const QDateTime& now, const QString& text)
{
    // Some locales' short format has seconds too.
    const QTime time = now.time();
    const QString minute = QLocale().toString(QTime(time.hour(), time.minute()), QLocale::ShortFormat);
    if (accessibleName() != minute)
        setAccessibleName(minute);
    if (text == m_text)
        return;
    m_text = text;
    update();
}

QSize ClockLabel::sizeHint() const
{
    return fontMetrics().size(Qt::TextSingleLine, m_text);
}

void ClockLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_text);
}
