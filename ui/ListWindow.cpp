#include "ui/ListWindow.h"

#include <QShortcut>

ListWindow::ListWindow(const QString& title, QWidget* parent) : QListWidget(parent)
{
    setWindowFlags(Qt::Window);
    setWindowTitle(title);
    setAccessibleName(title);
    resize(520, 260);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

void ListWindow::setLines(const QStringList& lines)
{
    clear();
    addItems(lines);
    // The reader starts at the first line, not at the window's name alone.
    setCurrentRow(0);
}
