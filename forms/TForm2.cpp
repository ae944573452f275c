#include "forms/TForm2.h"

TForm2::TForm2(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("域名解析"));
}
