#pragma once

#include <QCoreApplication>
#include <QLoggingCategory>

#include <unistd.h>

// Call before the application object exists. As root WebEngine refuses to
// start with its sandbox on. Its start-up dump of some twenty lines shows only
// when QT_LOGGING_RULES asks. No OpenGL context is shared with the widgets, as
// WebEngine would have it: made at start, that context alone costs some 50 MiB
// in every run, and the panes draw as well without (in software).
inline void prepareWebPanes()
{
#ifdef KELVANE_WEBENGINE
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}
