#include "ui/AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

QIcon appIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0x1f, 0x6f, 0xc0));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        QFont font;
        font.setBold(true);
        font.setPixelSize(size * 2 / 3);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("K"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
