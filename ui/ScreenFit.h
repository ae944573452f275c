#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

// Where a window's client area goes so that the whole window, its frame
// included, lies within `available`: shrunk to fit, then centred, or, when it
// already has a place (`at`, the client area's corner), moved the least.
QRect fitOnScreen(const QRect& available, const QSize& wanted, const QMargins& frame,
                  std::optional<QPoint> at = std::nullopt);

// The part of a screen's available area (in the windows' units) that lies on
// the screen whichever way its edges round to device pixels: at a fractional
// scale one unit is kept free on each side.
QRect safeArea(const QRect& available, qreal devicePixelRatio);

// The same for a fixed-size window on its screen, `designed` being the size
// it has where there is room.
void keepOnScreen(QWidget& window, const QSize& designed, bool centre);
// Whether the window manager has framed the window yet (never, when it is frameless).
bool frameKnown(const QWidget& window);
