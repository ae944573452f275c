#pragma once

#include "WindowFixture.h"

#include "fakes/FakeDnsServer.h"
#include "forms/TForm1.h"

#include <QLineEdit>

// A primary window whose provider host names lead to fake DNS servers on 127.0.0.1.
struct LoginFixture : WindowFixture
{
    FakeDnsServer ordinary{9824};
    FakeDnsServer paying{9822};
    FakeDnsServer designated{9715};
    std::unique_ptr<TForm1> form;

    explicit LoginFixture(int languageId = 2052)
    {
        fakes.language.id = languageId;
        for (const char* host : {"main.kelvane.example", "main.vizi.example", "main.second.example"})
            fakes.resolver.hosts.insert(QString::fromLatin1(host), {0x7F000001});
        form = std::make_unique<TForm1>(fakes.platform(), shell, session);
        form->FormShow();
        form->nameedit->setText(QStringLiteral("a.kelvane.example"));
        form->passedit->setText(QStringLiteral("secret"));
    }

    bool serversListening() const
    {
        return ordinary.isListening() && paying.isListening() && designated.isListening();
    }

    // Sends one login and waits (bounded) until the server has answered and the
    // window has handled the answer.
    bool loginWith(const QByteArray& reply, FakeDnsServer& server)
    {
        server.reply = reply;
        const qsizetype before = server.received.size();
        form->Button1Click();
        return QTest::qWaitFor([&] { return server.received.size() > before; }, 5000);
    }
};
