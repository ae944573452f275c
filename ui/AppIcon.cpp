#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QIcon drawnIcon()
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
        // The "K" is drawn, not written: a letter would load a font at start,
        // megabytes for a program that may never show a text.
        painter.scale(size / 16.0, size / 16.0);
        QPainterPath k;
        k.moveTo(5.5, 4);
        k.lineTo(5.5, 12);
        k.moveTo(11, 4);
        k.lineTo(6, 8.5);
        k.moveTo(7.5, 7.5);
        k.lineTo(11, 12);
        painter.strokePath(k, QPen(Qt::white, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

// The installed hicolor icon by its theme name, which a StatusNotifier host
// shows itself; the drawn one where it is not installed.
QIcon appIcon()
{
    return QIcon::fromTheme(QString::fromLatin1(appIconName), drawnIcon());
}
