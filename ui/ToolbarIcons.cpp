#include "ui/ToolbarIcons.h"

#include <QFile>

// Outside any namespace, as Q_INIT_RESOURCE requires.
static void initToolbarResources()
{
    Q_INIT_RESOURCE(icons);
}

QIcon toolbarIcon(const QString& identifier)
{
    static const bool initialised = (initToolbarResources(), true);
    Q_UNUSED(initialised);
    const QString path = QStringLiteral(":/toolbar/") + identifier;
    if (identifier.isEmpty() || !QFile::exists(path))
        return {};
    return QIcon(path);
}
