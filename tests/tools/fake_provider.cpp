// The provider as a stand-alone fake, for running the whole program in a
// network namespace (tests/world/): DNS servers on 127.0.0.1 ports 9824, 9822
// and 9715 (primary) and 9725 (secondary) that register every login as a paying
// user, and the provider's web site on port 80.
//
//   fake_provider [--log FILE] [--address-file FILE] [--silent-first N]
//
// --log           appends "<ms since the epoch> <port> <datagram>" per datagram
// --address-file  the address every reply publishes (read at each login);
//                 without it, or while it is empty, the sender's address
// --silent-first  leaves the first N primary logins unanswered

#include "fakes/FakeDnsServer.h"
#include "fakes/ScriptedHttpServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>

#include <memory>
#include <vector>

namespace {

constexpr quint16 secondaryPort = 9725;

struct Provider
{
    QString logPath;
    QString addressPath;
    int silentLeft = 0;

    QByteArray publishedAddress(const QHostAddress& from) const
    {
        QFile file(addressPath);
        const QByteArray address =
            !addressPath.isEmpty() && file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
        return address.isEmpty() ? from.toString().toLatin1() : address;
    }

    void log(quint16 port, const QByteArray& datagram) const
    {
        QFile file(logPath);
        if (logPath.isEmpty() || !file.open(QIODevice::Append))
            return;
        QByteArray printable = datagram;
        for (char& c : printable)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
                c = '.';
        file.write(QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + ' ' + QByteArray::number(port) +
                   ' ' + printable + '\n');
    }

    // "verarod47" + domain + "&&&" ...: welcomed with account code "0" (paying).
    QByteArray answer(quint16 port, const QByteArray& datagram, const QHostAddress& from)
    {
        log(port, datagram);
        if (!datagram.startsWith("verarod47"))
            return {};
        if (port != secondaryPort && silentLeft > 0) {
            --silentLeft;
            return {};
        }
        const QByteArray domain = datagram.mid(9, datagram.indexOf("&&&") - 9);
        return "dengluok012" + domain + "&&&" + publishedAddress(from) + "&&&sj2099-12-31end";
    }
};

QByteArray page(const QByteArray& title, const QByteArray& text)
{
    return ScriptedHttpServer::ok("<html><head><title>" + title + "</title></head><body><h2>" + title +
                                  "</h2><p>" + text + "</p></body></html>");
}

// A 1 x 1 GIF, enough for the banner download.
const QByteArray banner = QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs=");

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption logOption("log", "datagram log", "file");
    const QCommandLineOption addressOption("address-file", "published address", "file");
    const QCommandLineOption silentOption("silent-first", "unanswered primary logins", "count");
    parser.addOptions({logOption, addressOption, silentOption});
    parser.process(application);

    Provider provider{parser.value(logOption), parser.value(addressOption), parser.value(silentOption).toInt()};
    QTextStream out(stdout);
    std::vector<std::unique_ptr<FakeDnsServer>> servers;
    for (const quint16 port : {quint16(9824), quint16(9822), quint16(9715), secondaryPort}) {
        auto server = std::make_unique<FakeDnsServer>(port);
        if (!server->isListening()) {
            out << "fake_provider: port " << port << " is taken\n";
            return 1;
        }
        server->answer = [&provider, port](const QByteArray& datagram, const QHostAddress& from) {
            return provider.answer(port, datagram, from);
        };
        servers.push_back(std::move(server));
    }

    ScriptedHttpServer web(80);
    web.answerEach("/ips.asp", [&provider] { return ScriptedHttpServer::ok(provider.publishedAddress(QHostAddress::LocalHost)); });
    web.answer("/guanggao/ddns2011.asp", page("Kelvane ttt300end", "Advertisement pane of the closed world."));
    web.answer("/aa/ddns2011.asp", page("Kelvane ttt300end", "Second advertisement site."));
    web.answer("/guanggao/portgg0.asp", page("Kelvane", "Port mapping pane of the closed world."));
    web.answer("/vkl/yuming.txt", ScriptedHttpServer::ok("kelvane.example\r\nsecond.example\r\n"));
    web.answer("/vkl/ggw.gif", ScriptedHttpServer::ok(banner));
    out << "fake_provider: DNS on 127.0.0.1:9824/9822/9715/9725"
        << (web.isListening() ? ", web site on 127.0.0.1:80\n" : ", no web site (port 80 taken)\n");
    out.flush();
    return QCoreApplication::exec();
}
