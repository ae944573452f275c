#pragma once

#include "engine/Engine.h"
#include "engine/EngineService.h"
#include "engine/StatusWatch.h"
#include "fakes/FakePlatform.h"

#include <QDBusConnection>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// An engine of a test folder with its interface, as a service runs it (the
// options save), not yet on a bus. Its logins go to 127.0.0.1, where nobody
// answers. `prepare` writes the folder's files before the engine reads them.
struct ServedEngine
{
    QTemporaryDir folder;
    FakePlatform fakes{folder.path()};
    std::unique_ptr<Engine> engine;
    std::unique_ptr<StatusWatch> status;
    std::unique_ptr<EngineService> service;

    explicit ServedEngine(const std::function<void(ServedEngine&)>& prepare = {})
    {
        for (const char* server : {"main.second.example", "main2.second.example"})
            fakes.resolver.hosts.insert(QString::fromLatin1(server), {0x7f000001});
        if (prepare)
            prepare(*this);
        engine = std::make_unique<Engine>(fakes.platform(), QStringLiteral("Kelvane"), folder.path());
        engine->logins.begin();
        status = std::make_unique<StatusWatch>(*engine, fakes.clock);
        service = std::make_unique<EngineService>(*engine, *status, fakes.platform(), folder.path());
    }

    bool publishOn(const QString& address, const QString& connection = QStringLiteral("engine"))
    {
        return service->publishOn(QDBusConnection::connectToBus(address, connection));
    }
};
