#include "fakes/ThreadedWebSite.h"

#include "fakes/ScriptedHttpServer.h"

#include <QUrl>

ThreadedWebSite::ThreadedWebSite(QHash<QByteArray, QByteArray> answers) : m_answers(std::move(answers))
{
    start();
    m_ready.acquire();
}

ThreadedWebSite::~ThreadedWebSite()
{
    quit();
    wait();
}

void ThreadedWebSite::run()
{
    ScriptedHttpServer server;
    for (auto it = m_answers.cbegin(); it != m_answers.cend(); ++it)
        server.answer(it.key(), it.value());
    const QUrl url(server.url("/"));
    m_hostAndPort = url.host() + u':' + QString::number(url.port());
    m_ready.release();
    exec();
}
