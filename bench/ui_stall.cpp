// How long the primary window's thread stops while the provider's web site
// accepts connections and never answers. The address consistency check and
// the downloads run against such a site; a 1 ms timer on the window's thread
// measures the longest gap between its ticks.
//
//   QT_QPA_PLATFORM=offscreen build/bench/ui_stall [SECONDS]    (default 5)

#include "LongestPause.h"
#include "engine/Engine.h"
#include "fakes/FakePlatform.h"
#include "fakes/HostMappingHttpClient.h"
#include "fakes/ServedModel.h"
#include "forms/AppShell.h"
#include "forms/TForm1.h"

#include <QApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;

    // Accepts and keeps every connection, and never says a word.
    QTcpServer silentSite;
    if (!silentSite.listen(QHostAddress::LocalHost)) {
        std::fprintf(stderr, "ui_stall: cannot listen on 127.0.0.1\n");
        return 1;
    }
    QObject::connect(&silentSite, &QTcpServer::newConnection, [&silentSite] {
        while (QTcpSocket* connection = silentSite.nextPendingConnection())
            connection->setParent(&silentSite);
    });
    const QString site = QStringLiteral("127.0.0.1:%1").arg(silentSite.serverPort());
    HostMappingHttpClient http(
        {{QStringLiteral("www.kelvane.example"), site}, {QStringLiteral("main.kelvane.example"), site}});

    QTemporaryDir folder;
    FakePlatform fakes(folder.path());
    AppShell shell;
    shell.trayAvailable = [] { return false; };
    const Platform platform = fakes.platformWith(http);
    Engine all(platform, shell.title, folder.path());
    ServedModel served(all, platform);
    TForm1 form(platform, shell, served.model, served.actions);
    LoginEngine& engine = all.logins;

    const LongestPause pause;
    engine.checks().consistencyCheckTimer.fire();
    engine.downloadTimer.fire();
    QTimer::singleShot(seconds * 1000, &application, &QApplication::quit);
    application.exec();

    std::printf("ui_stall: %d s against a site that never answers: "
                "longest pause of the window's thread %lld ms\n",
                seconds, static_cast<long long>(pause.milliseconds()));
    return 0;
}
