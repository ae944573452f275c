#pragma once

#include <QIcon>

// The program's icon ("mainicon"): the theme's "kelvane" where installed, else
// drawn, so that a copy run from its build folder needs no image file.
QIcon appIcon();
// Its name in the icon theme, which the desktop looks up itself.
inline constexpr const char* appIconName = "kelvane";
