#pragma once

#include <QCoreApplication>

#include <unistd.h>

// Call before the application object exists. WebEngine needs an OpenGL context
// shared with the widgets, and as root it refuses to start with its sandbox on.
inline void prepareWebPanes()
{
#ifdef KELVANE_WEBENGINE
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}
