// Start-up cost of the primary window with a web pane: milliseconds from
// process start to the window's first paint, and to the arrival of the page's
// title. Built once per variant so that each links only what it needs:
// pane_startup_plain (an empty window), pane_startup_light and
// pane_startup_webengine (the pane on the right side, loading a page that a
// small server of its own serves on 127.0.0.1).
// Argument "early": create the pane before the window is shown rather than
// after its first paint. It lingers a second before it exits, so that a memory
// sampler sees the settled process tree.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#if defined(BENCH_LIGHT) || defined(BENCH_WEBENGINE)
#include "platform/Browser.h"
#include "platform/HttpClient.h"
#include "ui/WebPaneStartup.h"
#endif
#ifdef BENCH_LIGHT
#include "ui/LightWebPane.h"
#endif
#ifdef BENCH_WEBENGINE
#include "ui/WebEnginePane.h"
#endif

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

double seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// From BENCH_START (the launcher's wall-clock time, as bash's EPOCHREALTIME),
// else from the kernel's start time of the process (10 ms steps).
double millisSinceStart()
{
    if (const char* start = std::getenv("BENCH_START"))
        return (seconds(CLOCK_REALTIME) - std::strtod(start, nullptr)) * 1000;
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    const char* field = std::strrchr(line.c_str(), ')'); // the name may hold blanks
    unsigned long long startTicks = 0;
    std::sscanf(field + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                &startTicks);
    return (seconds(CLOCK_BOOTTIME) - double(startTicks) / double(sysconf(_SC_CLK_TCK))) * 1000;
}

// Time for the memory sampler of pane-startup.sh to see the settled process tree.
void lingerThenQuit()
{
    std::fflush(stdout);
    QTimer::singleShot(1000, [] { QCoreApplication::exit(0); });
}

class Window final : public QWidget
{
public:
    std::function<void()> firstPainted;

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_painted)
            return;
        m_painted = true;
        std::printf("first_paint_ms=%.1f\n", millisSinceStart());
        std::fflush(stdout);
        QTimer::singleShot(0, this, firstPainted);
    }

private:
    bool m_painted = false;
};

#if defined(BENCH_LIGHT) || defined(BENCH_WEBENGINE)
class NoBrowser final : public Browser
{
public:
    bool openUrl(const QString&) override { return false; }
};

// Serves the same small page for every request, on a thread that lives as long as the process.
QString servePage()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener, 8) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("pane_startup: cannot serve the page");
        std::exit(2);
    }
    std::thread([listener] {
        const std::string body =
            "<html><head><title>ttt30end</title></head><body><p>"
            "An advertisement of a few words, and a <a href=\"/more\">link</a>.</p></body></html>";
        const std::string answer =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        for (;;) {
            const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            std::string request;
            char buffer[4096];
            ssize_t n = 0;
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 &&
                   (n = ::read(client, buffer, sizeof buffer)) > 0)
                request.append(buffer, size_t(n));
            if (::write(client, answer.data(), answer.size()) < 0)
                std::perror("pane_startup: write");
            ::close(client);
        }
    }).detach();
    return QStringLiteral("http://127.0.0.1:%1/ad.asp").arg(ntohs(address.sin_port));
}
#endif

} // namespace

int main(int argc, char* argv[])
{
    const bool early = argc > 1 && std::strcmp(argv[1], "early") == 0;
#if defined(BENCH_LIGHT) || defined(BENCH_WEBENGINE)
    prepareWebPanes();
#endif
    QApplication application(argc, argv);
    Window window;
    window.resize(912, 605);
#if defined(BENCH_LIGHT) || defined(BENCH_WEBENGINE)
    const QString url = servePage();
    NoBrowser browser;
    QtHttpClient http;
#ifdef BENCH_LIGHT
    const auto createPane = [&] { return new LightWebPane(browser, http, &window); };
#else
    const auto createPane = [&] { return new WebEnginePane(browser, &window); };
#endif
    WebPane* pane = nullptr;
    const auto showPane = [&] {
        if (!pane) {
            pane = createPane();
            pane->setGeometry(287, 0, 625, 605);
            pane->show();
        }
        QObject::connect(pane, &WebPane::titleChanged, &application, [](const QString& title) {
            if (title != u"ttt30end")
                return;
            std::printf("title_ms=%.1f\n", millisSinceStart());
            lingerThenQuit();
        });
        pane->load(url);
    };
    if (early) {
        pane = createPane();
        pane->setGeometry(287, 0, 625, 605);
    }
    window.firstPainted = showPane;
    QTimer::singleShot(30000, &application, [] {
        std::printf("title_ms=timeout\n");
        QCoreApplication::exit(1);
    });
#else
    (void)early;
    window.firstPainted = lingerThenQuit;
#endif
    window.show();
    return QApplication::exec();
}
