#pragma once

#include <QIcon>
#include <QString>

// The 20 x 20 icon of the toolbar button named identifier ("ToolButton1" ...); empty for unknown names.
QIcon toolbarIcon(const QString& identifier);
