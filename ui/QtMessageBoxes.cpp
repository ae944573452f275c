#include "ui/QtMessageBoxes.h"

#include <QMessageBox>

void QtMessageBoxes::show(const QString& caption, const QString& text)
{
    QMessageBox::information(nullptr, caption, text);
}
