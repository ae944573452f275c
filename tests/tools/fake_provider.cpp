// The provider as a stand-alone fake, for running the whole program by hand in
// a network namespace (scripts/run-with-fakes): DNS servers on 127.0.0.1 ports
// 9824, 9822 and 9715 that register every login, and "/ips.asp" on port 80.

#include "fakes/FakeDnsServer.h"
#include "fakes/ScriptedHttpServer.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// "verarod47" + domain + "&&&" ...: welcomes every domain as a paying user.
QByteArray registerLogin(const QByteArray& datagram, const QHostAddress& from)
{
    if (!datagram.startsWith("verarod47"))
        return {};
    const QByteArray domain = datagram.mid(9, datagram.indexOf("&&&") - 9);
    return "dengluok012" + domain + "&&&" + from.toString().toLatin1() + "&&&sj2099-12-31end";
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    FakeDnsServer servers[] = {FakeDnsServer(9824), FakeDnsServer(9822), FakeDnsServer(9715)};
    for (FakeDnsServer& server : servers) {
        if (!server.isListening()) {
            out << "fake_provider: a DNS port is taken\n";
            return 1;
        }
        server.answer = registerLogin;
    }
    ScriptedHttpServer web(80);
    web.answer("/ips.asp", ScriptedHttpServer::ok("127.0.0.1"));
    out << "fake_provider: DNS on 127.0.0.1:9824/9822/9715"
        << (web.isListening() ? ", web site on 127.0.0.1:80\n" : ", no web site (port 80 taken)\n");
    out.flush();
    return QCoreApplication::exec();
}
