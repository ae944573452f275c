// The baselines of bench/footprint: an empty window of the primary window's
// size, or (footprint_webengine) a window of that size with one WebEngine view
// showing the page given as argument; either stays until it is ended.
#include <QApplication>
#include <QWidget>
#ifdef FOOTPRINT_WEBENGINE
#include <QUrl>
#include <QWebEngineView>

#include <unistd.h>
#endif

int main(int argc, char* argv[])
{
#ifdef FOOTPRINT_WEBENGINE
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0) // as the program does: WebEngine refuses its sandbox as root
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    QApplication application(argc, argv);
#ifdef FOOTPRINT_WEBENGINE
    QWebEngineView window;
    if (argc > 1)
        window.load(QUrl(QString::fromLocal8Bit(argv[1])));
#else
    QWidget window;
#endif
    window.resize(912, 605);
    window.show();
    return QApplication::exec();
}
