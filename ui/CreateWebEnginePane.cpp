#include "ui/LightWebPane.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {

using CreatePane = WebPane* (*)(Browser&, QWidget*);

bool engineLoaded = false;

// Beside the program in its build folder, in <prefix>/lib/kelvane/plugins when installed.
CreatePane loadEngine()
{
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString name = QStringLiteral("kelvane_webengine.so");
    QString errors;
    const QStringList paths{programFolder.filePath(name),
                            programFolder.filePath(QStringLiteral("../lib/kelvane/plugins/") + name)};
    for (const QString& path : paths) {
        QLibrary module(QDir::cleanPath(path));
        if (const auto create = reinterpret_cast<CreatePane>(module.resolve("kelvaneCreateWebEnginePane"))) {
            engineLoaded = true;
            return create;
        }
        errors += QStringLiteral("\n  ") + module.errorString();
    }
    qWarning("kelvane: no WebEngine pane module, using the light pane:%s", qUtf8Printable(errors));
    return nullptr;
}

} // namespace

WebPane* createWebPane(Browser& browser, HttpClient& http, QWidget* parent)
{
    static const CreatePane create = loadEngine();
    return create ? create(browser, parent) : new LightWebPane(browser, http, parent);
}

bool webEngineLoaded()
{
    return engineLoaded;
}
