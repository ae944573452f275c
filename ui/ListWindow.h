#pragma once

#include <QListWidget>

// Lines to read, each an item, in a window of their own: a screen reader reads
// it as a list and says how many; Escape closes it, as the title bar's button does.
class ListWindow : public QListWidget
{
    Q_OBJECT

public:
    ListWindow(const QString& title, QWidget* parent);

    void setLines(const QStringList& lines);
};
