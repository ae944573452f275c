#include "ui/ScreenFit.h"

#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <algorithm>
#include <cmath>

QRect fitOnScreen(const QRect& available, const QSize& wanted, const QMargins& frame,
                  std::optional<QPoint> at)
{
    const QSize room = available.size().shrunkBy(frame);
    const QSize size = wanted.boundedTo(room).expandedTo({1, 1});
    const QRect inner = available.marginsRemoved(frame);
    QPoint corner = at.value_or(
        inner.topLeft() + QPoint((inner.width() - size.width()) / 2, (inner.height() - size.height()) / 2));
    corner.setX(
        std::clamp(corner.x(), inner.left(), std::max(inner.left(), inner.right() + 1 - size.width())));
    corner.setY(
        std::clamp(corner.y(), inner.top(), std::max(inner.top(), inner.bottom() + 1 - size.height())));
    return {corner, size};
}

QRect safeArea(const QRect& available, qreal devicePixelRatio)
{
    if (devicePixelRatio == std::floor(devicePixelRatio))
        return available;
    return available.adjusted(1, 1, -1, -1);
}

namespace {

// Known once the window manager has framed the window. Before, room is kept
// for a usual title bar and border, so that the title bar, the only way to
// move the window and to minimise it, is never placed above the screen.
QMargins frameOf(const QWidget& window)
{
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (!frame.isNull() || (window.windowFlags() & Qt::FramelessWindowHint))
        return frame;
    const int border = 4;
    const int titleBar = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return {border, border + titleBar, border, border};
}

} // namespace

bool frameKnown(const QWidget& window)
{
    return window.frameGeometry() != window.geometry();
}

void keepOnScreen(QWidget& window, const QSize& designed, bool centre)
{
    const QScreen* screen = window.screen();
    if (!screen)
        return;
    const QRect inner = window.geometry();
    const QMargins frame = frameOf(window);
    const std::optional<QPoint> at = centre ? std::nullopt : std::optional<QPoint>(inner.topLeft());
    const QRect area = safeArea(screen->availableGeometry(), screen->devicePixelRatio());
    const QRect place = fitOnScreen(area, designed, frame, at);
    window.setFixedSize(place.size());
    // A framed window's position is its frame's; until the window manager has
    // framed it, its client area's, where the window manager puts the client.
    const QPoint frameCorner = frameKnown(window) ? QPoint(frame.left(), frame.top()) : QPoint();
    window.move(place.topLeft() - frameCorner);
}
