#include "forms/TForm111.h"

TForm111::TForm111(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("路由器端口映射"));
    setFixedSize(570, 283);
    QFont windowFont(QStringLiteral("宋体"));
    windowFont.setPixelSize(13);
    setFont(windowFont);
}
