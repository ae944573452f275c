#include "forms/TForm1.h"

#include "forms/TForm111.h"

#include <QMenu>
#include <QMenuBar>

void TForm1::buildMenus()
{
    QMenu* N13 = menuBar()->addMenu(QStringLiteral("端口映射"));
    N13->addAction(QStringLiteral("设置端口映射"), this, [this] { N14Click(); });
}

void TForm1::N14Click()
{
    if (!Form111)
        return;
    Form111->show();
    Form111->raise();
    Form111->activateWindow();
}
