#pragma once

#include <QCoreApplication>
#include <QLoggingCategory>

#include <unistd.h>

// Call before the application object exists. WebEngine needs an OpenGL context
// shared with the widgets, and as root it refuses to start with its sandbox on.
// Its start-up dump of some twenty lines shows only when QT_LOGGING_RULES asks.
inline void prepareWebPanes()
{
#ifdef KELVANE_WEBENGINE
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}
