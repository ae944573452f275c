#pragma once

#include <QIcon>

// The program's icon ("mainicon"), drawn so that no image file has to ship.
QIcon appIcon();
