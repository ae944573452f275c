#pragma once

#include "fakes/FakeDnsServer.h"
#include "fakes/FakePlatform.h"
#include "fakes/TestFiles.h"
#include "messages/TimeStamps.h"
#include "registration/ClientState.h"
#include "registration/LoginEngine.h"

#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>

// A login engine without a window, in a temporary program folder, with fakes
// for every platform service; the provider's host names lead to fake DNS
// servers on 127.0.0.1 (the secondary server on 9725).
struct EngineFixture
{
    QTemporaryDir folder;
    FakePlatform fakes{folder.path()};
    ClientState state;
    FakeDnsServer ordinary{LoginExchange::ordinaryPort};
    FakeDnsServer paying{LoginExchange::payingUserPort};
    FakeDnsServer designated{LoginExchange::designatedZonePort};
    FakeDnsServer secondary{LoginExchange::secondaryPort};
    std::unique_ptr<LoginEngine> engine;

    explicit EngineFixture(int languageId = 2052, const QString& domain = QStringLiteral("a.kelvane.example"))
    {
        fakes.language.id = languageId;
        for (const char* host :
             {"main.kelvane.example", "main.vizi.example", "main.second.example", "main2.second.example"})
            fakes.resolver.hosts.insert(QString::fromLatin1(host), {0x7F000001});
        engine = std::make_unique<LoginEngine>(fakes.platform(), state, QStringLiteral("Kelvane2.0"));
        engine->begin();
        engine->setFormCredentials(domain, QStringLiteral("secret"));
    }

    bool serversListening() const
    {
        return ordinary.isListening() && paying.isListening() && designated.isListening() &&
               secondary.isListening();
    }

    LoginSession& primary() { return engine->primary(); }
    LoginSession& second() { return engine->secondary(); }
    QString line(int index) const { return engine->logLines().value(index); }
    qsizetype lineCount() const { return engine->logLines().size(); }
    QString time() const { return longTime(fakes.clock.time); }
    QString date() const { return shortDate(fakes.clock.time); }
    QByteArray read(const QString& name) const { return readFile(folder.filePath(name)); }

    // Moves the clock on (its timers taken over) and waits (bounded, for the
    // datagram on loopback) until `server` has one datagram more.
    bool sendsOneMoreAfter(std::chrono::milliseconds duration, FakeDnsServer& server)
    {
        const qsizetype before = server.received.size();
        fakes.clock.advance(duration);
        return QTest::qWaitFor([&] { return server.received.size() > before; }, 5000);
    }

    // Sends one login of `session` and waits (bounded) until `server` has it
    // and the session has handled the answer.
    bool loginWith(const QByteArray& reply, FakeDnsServer& server, LoginSession* session = nullptr)
    {
        LoginSession& sending = session ? *session : primary();
        server.reply = reply;
        const qsizetype before = server.received.size();
        sending.sendLogin();
        return QTest::qWaitFor([&] { return server.received.size() > before; }, 5000) &&
               (reply.isEmpty() || QTest::qWaitFor([&] { return !sending.awaitingReply(); }, 5000));
    }
};
