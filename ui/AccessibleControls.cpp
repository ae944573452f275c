#include "ui/AccessibleControls.h"

#include "ui/ClickableLabel.h"
#include "ui/WebPane.h"

#include <QAccessibleWidget>
#include <QApplication>

namespace {

class AccessibleLink : public QAccessibleWidget
{
public:
    explicit AccessibleLink(ClickableLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override
    {
        const QString own = QAccessibleWidget::text(kind);
        if (kind != QAccessible::Name || !own.isEmpty())
            return own;
        return static_cast<ClickableLabel*>(widget())->text().trimmed();
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& action) override
    {
        if (action == pressAction())
            emit static_cast<ClickableLabel*>(widget())->clicked();
    }
};

// A widget that hands its focus on (a scroll area's viewport, a web pane)
// would report the focus of the control that took it: two would say so.
class AccessibleFocusHandedOn : public QAccessibleWidget
{
public:
    AccessibleFocusHandedOn(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.focused = QApplication::focusWidget() == widget();
        return state;
    }
};

QAccessibleInterface* accessibleControl(const QString& key, QObject* object)
{
    if (key == QLatin1String("ClickableLabel"))
        return new AccessibleLink(static_cast<ClickableLabel*>(object));
    if (key == QLatin1String("ClockLabel"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Clock);
    // Asked for the object's own class first: a window class of ours made
    // straight from QWidget would otherwise be announced as a mere pane.
    auto* widget = qobject_cast<QWidget*>(object);
    const QMetaObject* meta = object->metaObject();
    if (widget && widget->focusProxy() && key == QLatin1String(meta->className())) {
        if (qobject_cast<WebPane*>(widget))
            return new AccessibleFocusHandedOn(widget, QAccessible::Pane);
        if (meta == &QWidget::staticMetaObject)
            return new AccessibleFocusHandedOn(widget, QAccessible::Client);
    }
    if (widget && widget->isWindow() && key == QLatin1String(meta->className()) &&
        meta->superClass() == &QWidget::staticMetaObject)
        return new QAccessibleWidget(widget, QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibleControls()
{
    QAccessible::installFactory(accessibleControl);
}
